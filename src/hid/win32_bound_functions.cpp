// The four platform functions reached by name through HidLibrary and SetupLibrary.
#include <windows.h>
#include <setupapi.h>
#include <hidsdi.h>

#include <cstddef>

#include "hid/bound_functions.h"
#include "hid/hid.h"
#include "hid/library_table.h"

namespace {

// Returns how many parameters a WINAPI function takes.
template <typename Result, typename... Parameters>
constexpr size_t ParameterCount(Result(WINAPI*)(Parameters...)) {
  return sizeof...(Parameters);
}

// Calls a function by name with exactly as many arguments as its SDK prototype declares.
// NOTE: a 32-bit WINAPI callee pops its own arguments, so a wrong count corrupts the stack
// there (and nowhere else); the count is checked against the prototype when compiling.
template <typename Prototype, typename... Args>
intptr_t CallAsDeclared(int32_t library, const char* name, Args... args) {
  static_assert(ParameterCount(static_cast<Prototype*>(nullptr)) == sizeof...(Args),
                "argument count differs from the SDK prototype");
  return CallLibraryFunction(library, name, args...);
}

}  // namespace

// Calls `function` by its own name in `library`, checked against its SDK prototype.
#define CALL_BY_NAME(library, function, ...) \
  CallAsDeclared<decltype(function)>(library, #function, __VA_ARGS__)

// Fills in the HID interface class GUID.
intptr_t CallHidD_GetHidGuid(void* guid) {
  return CALL_BY_NAME(HidLibrary, HidD_GetHidGuid, guid);
}

// Fills in a device's HIDD_ATTRIBUTES.
intptr_t CallHidD_GetAttributes(intptr_t handle, void* attributes) {
  return CALL_BY_NAME(HidLibrary, HidD_GetAttributes, handle, attributes);
}

// Fills in the interface record at an index; 0 at the end of the list.
intptr_t CallSetupDiEnumDeviceInterfaces(intptr_t set, void* device, const void* guid,
                                         uint32_t index, void* data) {
  return CALL_BY_NAME(SetupLibrary, SetupDiEnumDeviceInterfaces, set, device, guid, index, data);
}

// Queries an interface's detail record, or only its required size.
intptr_t CallSetupDiGetDeviceInterfaceDetailA(intptr_t set, void* data, void* detail, uint32_t size,
                                              uint32_t* required, void* device) {
  return CALL_BY_NAME(SetupLibrary, SetupDiGetDeviceInterfaceDetailA, set, data, detail, size,
                      required, device);
}
