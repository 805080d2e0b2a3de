// The platform functions reached by name through HidLibrary and SetupLibrary.
#include <windows.h>
#include <setupapi.h>
#include <hidsdi.h>
#include <hidpi.h>

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

// Reads a device's preparsed report data into *preparsed.
intptr_t CallHidD_GetPreparsedData(intptr_t handle, void* preparsed) {
  return CALL_BY_NAME(HidLibrary, HidD_GetPreparsedData, handle, preparsed);
}

// Fills in a device's HIDP_CAPS from its preparsed data.
intptr_t CallHidP_GetCaps(void* preparsed, void* caps) {
  return CALL_BY_NAME(HidLibrary, HidP_GetCaps, preparsed, caps);
}

// Fills in up to *count value capabilities of one report type; *count gets how many.
intptr_t CallHidP_GetValueCaps(int32_t type, void* caps, void* count, void* preparsed) {
  return CALL_BY_NAME(HidLibrary, HidP_GetValueCaps, type, caps, count, preparsed);
}

// Fills in up to *count button capabilities of one report type; *count gets how many.
intptr_t CallHidP_GetButtonCaps(int32_t type, void* caps, void* count, void* preparsed) {
  return CALL_BY_NAME(HidLibrary, HidP_GetButtonCaps, type, caps, count, preparsed);
}

// Frees preparsed data that HidD_GetPreparsedData handed out.
intptr_t CallHidD_FreePreparsedData(void* preparsed) {
  return CALL_BY_NAME(HidLibrary, HidD_FreePreparsedData, preparsed);
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
