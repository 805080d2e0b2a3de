#include "app/presence.h"

#include <utility>

#include "app/globals.h"
#include "app/read_handover.h"
#include "app/report_frame.h"
#include "hid/hid.h"
#include "ui/ui.h"

PresenceRecord PresenceDevice;

namespace {

// What an event asks of the monitor, weakest first: nothing; the state's look (a probe while
// HELD, a lookup while ABSENT, a lookup when due while WAITING); the look without waiting.
enum class Step { kNone, kLook, kLookNow };

// True while the device held answers: asked through ProbeHandle once a write was given up,
// else through WriteHandle. One failed probe is confirmed by a second one shortly after, so a
// passing fault costs nothing.
bool HeldDeviceAnswers() {
  const PresenceRecord& device = PresenceDevice;
  const auto answers = [&] {
    // NOTE: without a probe handle, a handle with a given-up write on it cannot be asked.
    const HidHandle handle = device.ProbeHandle != 0             ? device.ProbeHandle
                             : HidWriteStuck(device.WriteHandle) ? 0
                                                                 : device.WriteHandle;
    return CheckHidHandle(handle, DEVICE_PRODUCT_ID, DEVICE_VENDOR_ID, HID_ANY_VERSION) == 1;
  };
  if (answers()) return true;
  PresencePause(PROBE_CONFIRM_MS);
  return answers();
}

// Runs the choice and opens WriteHandle on the interface it keeps, then ReadHandle on the same
// path, so both name one interface; when either fails neither is kept. Fills a fresh record.
// When the choice keeps the interface at `held` (the one held now), ReadHandle is not opened:
// the caller keeps what it holds.
HidChoice OpenBoth(PresenceRecord* record, const std::string& held = std::string()) {
  *record = PresenceRecord{};
  HidChosen chosen;
  record->WriteHandle =
      ChooseHidDevice(DEVICE_PRODUCT_ID, DEVICE_VENDOR_ID, HID_ANY_VERSION, &chosen);
  if (record->WriteHandle == 0) return chosen.choice;
  if (!held.empty() && SameInterfacePath(chosen.path, held)) {
    record->path = chosen.path;
    return HidChoice::kOpened;
  }
  bool refused = false;
  record->ReadHandle =
      OpenHidDeviceAt(chosen.path, DEVICE_PRODUCT_ID, DEVICE_VENDOR_ID, HID_ANY_VERSION, &refused);
  if (record->ReadHandle != 0) {
    record->path = chosen.path;
    record->framing = chosen.framing;
    return HidChoice::kOpened;
  }
  CloseHidHandle(record->WriteHandle);
  record->WriteHandle = 0;
  return refused ? HidChoice::kRefused : HidChoice::kFailed;
}

// Closes what a record holds; ReadHandle through the hand-over.
void Release(const PresenceRecord& record) {
  RetireReadHandle();
  CloseHidHandle(record.WriteHandle);
  CloseHidHandle(record.ProbeHandle);
}

// True when an interface held is of the console's own framing.
bool HeldOnConsoles(const PresenceRecord& device) {
  return device.state == PresenceState::kHeld && FitOf(device.framing) == HidFit::kConsole;
}

// True when the time for the record's next look has come.
bool Due(const PresenceRecord& device) {
  return PresenceClockMs() >= device.retry_at;
}

// Makes the record held: ReadHandle goes to the receive loop, read in the interface's own
// input reports, and on a lesser interface the choice runs once more after OPEN_RETRY_MS.
void Hold(PresenceRecord record) {
  record.state = PresenceState::kHeld;
  PresenceDevice = std::move(record);
  PresenceDevice.retry_at = HeldOnConsoles(PresenceDevice) ? 0 : PresenceClockMs() + OPEN_RETRY_MS;
  PutReadHandle(PresenceDevice.ReadHandle, InputReportLength(PresenceDevice.framing));
}

// Held, and the device answers: true when the step runs the choice again. Only on a lesser
// interface: at once for an arrival naming the device, else at the one look set at `retry_at`.
bool ChoosesAgain(const PresenceRecord& device, Step step) {
  if (HeldOnConsoles(device)) return false;
  return step == Step::kLookNow || (device.retry_at != 0 && Due(device));
}

// Makes one step of the state machine; every change of state is made here or in Hold.
void Run(Step step) {
  if (step == Step::kNone) return;
  PresenceRecord& device = PresenceDevice;
  // A read still running on a handle retired by an earlier step is woken again.
  WakeRetiredRead();
  const bool was_held = device.state == PresenceState::kHeld;
  if (was_held && HeldDeviceAnswers()) {
    if (!ChoosesAgain(device, step)) return;
  } else if (was_held) {
    // The device has gone (it may be back already, as a new device behind a new handle).
    Release(device);
    device = PresenceRecord{};
  } else if (device.state == PresenceState::kWaiting && step != Step::kLookNow && !Due(device)) {
    return;
  }
  PresenceRecord next;
  const HidChoice choice = OpenBoth(&next, device.path);
  if (device.state == PresenceState::kHeld) {
    // Still held on a lesser interface: the choice's pick takes both handles in one step, and
    // its wait for a refused interface of the console's own framing lets the one held go, as a
    // cold start would hold none. The same interface, or none at all, keeps what is held.
    const bool stay = choice == HidChoice::kOpened ? SameInterfacePath(next.path, device.path)
                                                   : choice != HidChoice::kRefused;
    if (stay) {
      CloseHidHandle(next.WriteHandle);
      // A look on an arrival is followed by one more, for an interface that arrived during it.
      device.retry_at = step == Step::kLookNow ? PresenceClockMs() + OPEN_RETRY_MS : 0;
      return;
    }
    Release(device);
    device = PresenceRecord{};
  }
  DeviceState = choice != HidChoice::kNone ? 1 : 0;
  switch (choice) {
    case HidChoice::kOpened:
      Hold(std::move(next));
      break;
    case HidChoice::kRefused:
      device = PresenceRecord{};
      device.state = PresenceState::kWaiting;
      device.retry_at = PresenceClockMs() + OPEN_RETRY_MS;
      break;
    case HidChoice::kFailed:
    case HidChoice::kNone:
      device = PresenceRecord{};  // ABSENT: tried again at the next tick
      break;
  }
  const bool now_held = device.state == PresenceState::kHeld;
  if (now_held != was_held) {
    PutGadgetText(STATUS_LABEL, now_held ? "Discovered device" : "No HID device");
  }
}

// Returns what a failed transfer on the device held asks for.
Step JudgeTransferFailure() {
  return PresenceDevice.state == PresenceState::kHeld ? Step::kLook : Step::kNone;
}

// Returns what one device notice asks for (see the table in presence.h).
Step JudgeNotice(const DeviceNoticeInfo& notice) {
  std::string name;
  const bool named = ReadNoticeName(notice.name_field.data(), notice.name_field.size(), &name);
  const bool held = PresenceDevice.state == PresenceState::kHeld;
  if (notice.arrival) {
    if (HeldOnConsoles(PresenceDevice)) return Step::kNone;
    if (!named) return Step::kLook;
    return NameCouldBeHidDevice(name, DEVICE_PRODUCT_ID, DEVICE_VENDOR_ID) ? Step::kLookNow
                                                                           : Step::kNone;
  }
  if (!held) return Step::kNone;
  return !named || SameInterfacePath(name, PresenceDevice.path) ? Step::kLook : Step::kNone;
}

}  // namespace

// Looks for the device, or asks the one held whether it still answers.
int32_t CheckDevice() {
  Run(Step::kLook);
  return 0;
}

// A write on WriteHandle failed: the device held is asked at once. A write given up that still
// runs on the handle leaves a query-only handle on the same device to ask from then on.
void HandleWriteFailure() {
  PresenceRecord& device = PresenceDevice;
  if (device.state == PresenceState::kHeld && device.ProbeHandle == 0 &&
      HidWriteStuck(device.WriteHandle)) {
    device.ProbeHandle =
        OpenHidProbe(device.path, DEVICE_PRODUCT_ID, DEVICE_VENDOR_ID, HID_ANY_VERSION);
  }
  Run(JudgeTransferFailure());
}

// A read on ReadHandle failed: the device held is asked at once.
void HandleReadFailure() {
  Run(JudgeTransferFailure());
}

// Makes the one step that the notices taken together ask for.
void HandleDeviceNotices() {
  Step strongest = Step::kNone;
  for (const DeviceNoticeInfo& notice : TakeDeviceNotices()) {
    const Step step = JudgeNotice(notice);
    if (step > strongest) strongest = step;
  }
  Run(strongest);
}

// Returns the monitor to ABSENT with nothing held.
void ResetPresence() {
  PresenceDevice = PresenceRecord{};
}

// Closes what the monitor holds and returns it to ABSENT.
void ReleasePresence() {
  Release(PresenceDevice);
  ResetPresence();
}
