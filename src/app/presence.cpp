#include "app/presence.h"

#include "app/globals.h"
#include "app/read_handover.h"
#include "hid/hid.h"
#include "ui/ui.h"

// Looks for the device and follows a change between absent and present.
int32_t CheckDevice() {
  // A read still running on a handle retired by an earlier check is woken again.
  WakeRetiredRead();

  const int32_t present = FindHidDevice(DEVICE_PRODUCT_ID, DEVICE_VENDOR_ID, HID_ANY_VERSION);
  if (present == DeviceState) return 0;
  DeviceState = present;

  RetireReadHandle();
  CloseHidHandle(WriteHandle);
  WriteHandle = 0;
  if (present == 1) {
    WriteHandle = OpenHidDevice(DEVICE_PRODUCT_ID, DEVICE_VENDOR_ID, HID_ANY_VERSION);
    PutReadHandle(OpenHidDevice(DEVICE_PRODUCT_ID, DEVICE_VENDOR_ID, HID_ANY_VERSION));
    PutGadgetText(STATUS_LABEL, "Discovered device");
  } else {
    PutGadgetText(STATUS_LABEL, "No HID device");
  }
  return 0;
}
