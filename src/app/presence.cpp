#include "app/presence.h"

#include "app/globals.h"
#include "app/read_handover.h"
#include "hid/hid.h"
#include "ui/ui.h"

PresenceRecord PresenceDevice;

namespace {

// What an event asks of the monitor, weakest first: nothing; the state's look (a probe while
// HELD, a lookup while ABSENT, a lookup when due while WAITING); the look without waiting.
enum class Step { kNone, kLook, kLookNow };

// True while the device behind WriteHandle answers. One failed probe is confirmed by a second
// one shortly after, so a passing fault costs nothing.
bool HeldDeviceAnswers() {
  const HidHandle handle = PresenceDevice.WriteHandle;
  const std::string& path = PresenceDevice.path;
  if (CheckHidHandle(handle, path, DEVICE_PRODUCT_ID, DEVICE_VENDOR_ID, HID_ANY_VERSION) == 1) {
    return true;
  }
  PresencePause(PROBE_CONFIRM_MS);
  return CheckHidHandle(handle, path, DEVICE_PRODUCT_ID, DEVICE_VENDOR_ID, HID_ANY_VERSION) == 1;
}

// Opens WriteHandle on the interface that the lookup chooses, then ReadHandle on the same
// path, so both name one interface; when either fails neither is kept.
HidChoice OpenBoth(std::string* path, HidHandle* write, HidHandle* read) {
  HidChoice choice = HidChoice::kNone;
  *write = ChooseHidDevice(DEVICE_PRODUCT_ID, DEVICE_VENDOR_ID, HID_ANY_VERSION, path, &choice);
  if (*write == 0) return choice;
  bool refused = false;
  *read = OpenHidDeviceAt(*path, DEVICE_PRODUCT_ID, DEVICE_VENDOR_ID, HID_ANY_VERSION, &refused);
  if (*read != 0) return HidChoice::kOpened;
  CloseHidHandle(*write);
  *write = 0;
  return refused ? HidChoice::kRefused : HidChoice::kFailed;
}

// Makes one step of the state machine; the only function that changes PresenceDevice.
void Run(Step step) {
  if (step == Step::kNone) return;
  PresenceRecord& device = PresenceDevice;
  // A read still running on a handle retired by an earlier step is woken again.
  WakeRetiredRead();
  const bool was_held = device.state == PresenceState::kHeld;
  if (was_held) {
    if (HeldDeviceAnswers()) return;
    // The device has gone (it may be back already, as a new device behind a new handle).
    RetireReadHandle();
    CloseHidHandle(device.WriteHandle);
    device = PresenceRecord{};
  }
  if (device.state == PresenceState::kWaiting && step != Step::kLookNow &&
      PresenceClockMs() < device.retry_at) {
    return;
  }
  device = PresenceRecord{};
  const HidChoice choice = OpenBoth(&device.path, &device.WriteHandle, &device.ReadHandle);
  DeviceState = choice != HidChoice::kNone ? 1 : 0;
  switch (choice) {
    case HidChoice::kOpened:
      device.state = PresenceState::kHeld;
      PutReadHandle(device.ReadHandle);
      break;
    case HidChoice::kRefused:
      device.state = PresenceState::kWaiting;
      device.retry_at = PresenceClockMs() + OPEN_RETRY_MS;
      break;
    case HidChoice::kFailed:
    case HidChoice::kNone:
      break;  // ABSENT: tried again at the next tick
  }
  if (device.state != PresenceState::kHeld) device.path.clear();
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
    if (held) return Step::kNone;
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

// A write on WriteHandle failed: the device held is asked at once.
void HandleWriteFailure() {
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
