#include "app/presence.h"

#include "app/globals.h"
#include "app/read_handover.h"
#include "hid/hid.h"
#include "ui/ui.h"

namespace {

// True while both device handles are open.
bool BothHandlesOpen() {
  return WriteHandle != 0 && CurrentReadHandle() != 0;
}

}  // namespace

// Looks for the device; reopens both handles when it appeared, when it stopped answering or a
// transfer said that it had gone (it may be back already), or when an earlier open failed.
int32_t CheckDevice() {
  // A read still running on a handle retired by an earlier check is woken again.
  WakeRetiredRead();

  const bool was_open = BothHandlesOpen();
  bool lost = WriteHandleLost || ReadHandleLost();
  // While connected, only the device already held is asked; every other HID device is left
  // alone. The full scan runs at start-up and while the device is absent or lost.
  if (was_open && !lost) {
    if (CheckHidHandle(WriteHandle, DEVICE_PRODUCT_ID, DEVICE_VENDOR_ID, HID_ANY_VERSION) == 1) {
      return 0;
    }
    lost = true;
  }
  const int32_t present = FindHidDevice(DEVICE_PRODUCT_ID, DEVICE_VENDOR_ID, HID_ANY_VERSION);
  if (present == DeviceState && !lost && (present == 0 || was_open)) return 0;
  DeviceState = present;

  RetireReadHandle();
  CloseHidHandle(WriteHandle);
  WriteHandle = 0;
  WriteHandleLost = false;
  if (present == 1) {
    WriteHandle = OpenHidDevice(DEVICE_PRODUCT_ID, DEVICE_VENDOR_ID, HID_ANY_VERSION);
    PutReadHandle(OpenHidDevice(DEVICE_PRODUCT_ID, DEVICE_VENDOR_ID, HID_ANY_VERSION));
  }
  // The status line says "Discovered device" only while both handles are open.
  const bool now_open = BothHandlesOpen();
  if (now_open != was_open) {
    PutGadgetText(STATUS_LABEL, now_open ? "Discovered device" : "No HID device");
  }
  return 0;
}
