// Which transfer errors mean that the device has gone: its handle will never work again, and
// only a new open (after a new lookup) can reach the device.
#include "hid/hid.h"

namespace {

// The platform's codes, by number, so that the rule is the same on every build.
constexpr uint32_t GONE_ERRORS[] = {
    // ERROR_ACCESS_DENIED: on an open handle, the device object is being deleted
    // (STATUS_DELETE_PENDING).
    5,
    // ERROR_INVALID_HANDLE: the handle itself is no longer valid.
    6,
    // ERROR_BAD_COMMAND: the device is in no state to take I/O, as during its removal
    // (STATUS_INVALID_DEVICE_STATE).
    22,
    // ERROR_GEN_FAILURE: the USB stack fails transfers to a device that has left the bus.
    31,
    // ERROR_BROKEN_PIPE, ERROR_NO_DATA, ERROR_PIPE_NOT_CONNECTED: the far end of a device
    // served over a named pipe has closed.
    109,
    232,
    233,
    // ERROR_NO_SUCH_DEVICE: the device does not exist any more.
    433,
    // ERROR_DEVICE_NOT_CONNECTED: the HID class driver's answer, for ever, to every transfer on
    // a handle whose device was removed.
    1167,
};
// Not gone: ERROR_OPERATION_ABORTED (995, a cancelled transfer), ERROR_TIMEOUT (1460, a write
// given up) and ERROR_BUSY (170, a write refused behind one), whose device may still be there;
// ERROR_FILE_NOT_FOUND (2) and ERROR_PATH_NOT_FOUND (3), which only an open gives.

}  // namespace

// True when the error code says that the device behind the handle has gone.
bool HidErrorMeansGone(uint32_t error) {
  for (const uint32_t gone : GONE_ERRORS) {
    if (error == gone) return true;
  }
  return false;
}
