// Must not compile: a function reached by name, called with fewer arguments than its SDK
// prototype declares (HidD_GetAttributes takes two).
#include <windows.h>
#include <hidsdi.h>

#include "hid/win32_call_as_declared.h"

// Calls HidD_GetAttributes with its handle alone.
intptr_t CallWithTooFewArguments(intptr_t handle) {
  return CALL_BY_NAME(0, HidD_GetAttributes, handle);
}
