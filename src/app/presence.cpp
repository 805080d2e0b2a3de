#include "app/presence.h"

#include <cctype>

#include "app/globals.h"
#include "app/read_handover.h"
#include "hid/hid.h"
#include "ui/ui.h"

namespace {

// True while both device handles are open.
bool BothHandlesOpen() {
  return WriteHandle != 0 && CurrentReadHandle() != 0;
}

// Returns a text in lower case (ASCII letters only, as device paths are).
std::string Lowered(const std::string& text) {
  std::string lowered = text;
  for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lowered;
}

// True while the device behind WriteHandle answers. One failed probe is confirmed by a second
// one shortly after, so a passing fault costs nothing.
bool HeldDeviceAnswers() {
  if (CheckHidHandle(WriteHandle, DEVICE_PRODUCT_ID, DEVICE_VENDOR_ID, HID_ANY_VERSION) == 1) {
    return true;
  }
  PresencePause(PROBE_CONFIRM_MS);
  return CheckHidHandle(WriteHandle, DEVICE_PRODUCT_ID, DEVICE_VENDOR_ID, HID_ANY_VERSION) == 1;
}

// Closes both handles: ReadHandle is retired (a read on it is woken), WriteHandle closed.
void ReleaseDevice() {
  RetireReadHandle();
  CloseHidHandle(WriteHandle);
  WriteHandle = 0;
  DevicePath.clear();
}

// Opens both handles. When either open fails neither handle is kept, and the open is tried
// again after OPEN_RETRY_MS.
void OpenDevice() {
  std::string path;
  const HidHandle write =
      OpenHidDevice(DEVICE_PRODUCT_ID, DEVICE_VENDOR_ID, HID_ANY_VERSION, &path);
  const HidHandle read =
      write != 0 ? OpenHidDevice(DEVICE_PRODUCT_ID, DEVICE_VENDOR_ID, HID_ANY_VERSION) : 0;
  if (read == 0) {
    CloseHidHandle(write);
    OpenRetryAt = PresenceClockMs() + OPEN_RETRY_MS;
    return;
  }
  WriteHandle = write;
  PutReadHandle(read);
  DevicePath = path;
  OpenRetryAt = 0;
}

// The check; `open_now` tries a failed open again without waiting for its retry time.
void RunCheck(bool open_now) {
  // A read still running on a handle retired by an earlier check is woken again.
  WakeRetiredRead();
  const bool was_open = BothHandlesOpen();
  // While connected, only the device already held is asked; every other HID device is left
  // alone.
  if (was_open) {
    if (HeldDeviceAnswers()) return;
    // The device has gone (it may be back already, as a new device behind a new handle).
    ReleaseDevice();
  }
  // A device seen but not opened is not scanned for again before its retry time, and then
  // only by the open's own scan.
  const bool waiting = OpenRetryAt != 0;
  if (waiting && !open_now && PresenceClockMs() < OpenRetryAt) return;
  DeviceState = waiting ? 1 : FindHidDevice(DEVICE_PRODUCT_ID, DEVICE_VENDOR_ID, HID_ANY_VERSION);
  if (DeviceState == 1) OpenDevice();
  // The status line says "Discovered device" only while both handles are open.
  const bool now_open = BothHandlesOpen();
  if (now_open != was_open) {
    PutGadgetText(STATUS_LABEL, now_open ? "Discovered device" : "No HID device");
  }
}

}  // namespace

// Looks for the device, or asks the one held whether it still answers.
int32_t CheckDevice() {
  RunCheck(false);
  return 0;
}

// Runs one check when a notice among those that came together can concern the device.
void HandleDeviceNotices() {
  const bool held = BothHandlesOpen();
  const std::string held_path = Lowered(DevicePath);
  bool check = false;
  bool device_arrived = false;
  for (const DeviceNoticeInfo& notice : TakeDeviceNotices()) {
    if (notice.arrival && !held) {
      const bool ours = notice.named && NameCouldBeTheDevice(notice.name);
      check = check || ours || !notice.named;
      device_arrived = device_arrived || ours;
    } else if (!notice.arrival && held) {
      check = check || !notice.named || Lowered(notice.name) == held_path;
    }
  }
  if (check) RunCheck(device_arrived);
}

namespace {

// Returns a 16-bit value as four lower-case hexadecimal digits.
std::string HexDigits(uint16_t value) {
  const char* digits = "0123456789abcdef";
  std::string text(4, '0');
  for (int i = 3; i >= 0; --i, value = static_cast<uint16_t>(value >> 4))
    text[i] = digits[value & 0xF];
  return text;
}

}  // namespace

// True when the name holds the device's identifiers in a USB or Bluetooth interface path.
bool NameCouldBeTheDevice(const std::string& name) {
  const std::string vendor = HexDigits(DEVICE_VENDOR_ID);
  const std::string product = HexDigits(DEVICE_PRODUCT_ID);
  const std::string usb = "vid_" + vendor + "&pid_" + product;
  const std::string bluetooth = "_vid&0002" + vendor + "_pid&" + product;
  const std::string lowered = Lowered(name);
  return lowered.find(usb) != std::string::npos || lowered.find(bluetooth) != std::string::npos;
}
