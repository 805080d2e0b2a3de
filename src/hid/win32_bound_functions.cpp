// The four platform functions reached by name through HidLibrary and SetupLibrary.
#include <windows.h>
#include <setupapi.h>
#include <hidsdi.h>

#include "hid/bound_functions.h"
#include "hid/hid.h"
#include "hid/library_table.h"
#include "hid/win32_call_as_declared.h"

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
