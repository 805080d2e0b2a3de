// The platform functions reached by name, each through its library's identifier.
// Every one returns 0 without effect when its library or function cannot be had.
#pragma once

#include <cstdint>

// HidD_GetHidGuid(guid) in HidLibrary.
intptr_t CallHidD_GetHidGuid(void* guid);
// HidD_GetAttributes(handle, attributes) in HidLibrary.
intptr_t CallHidD_GetAttributes(intptr_t handle, void* attributes);
// HidD_GetPreparsedData(handle, preparsed) in HidLibrary.
intptr_t CallHidD_GetPreparsedData(intptr_t handle, void* preparsed);
// HidP_GetCaps(preparsed, caps) in HidLibrary: HIDP_STATUS_SUCCESS when the caps are filled in.
intptr_t CallHidP_GetCaps(void* preparsed, void* caps);
// HidP_GetValueCaps(report type, caps, count, preparsed) in HidLibrary.
intptr_t CallHidP_GetValueCaps(int32_t type, void* caps, void* count, void* preparsed);
// HidP_GetButtonCaps(report type, caps, count, preparsed) in HidLibrary.
intptr_t CallHidP_GetButtonCaps(int32_t type, void* caps, void* count, void* preparsed);
// HidD_FreePreparsedData(preparsed) in HidLibrary.
intptr_t CallHidD_FreePreparsedData(void* preparsed);
// SetupDiEnumDeviceInterfaces(set, device record, guid, index, data) in SetupLibrary.
intptr_t CallSetupDiEnumDeviceInterfaces(intptr_t set, void* device, const void* guid,
                                         uint32_t index, void* data);
// SetupDiGetDeviceInterfaceDetailA(set, data, detail, size, required, device) in SetupLibrary.
intptr_t CallSetupDiGetDeviceInterfaceDetailA(intptr_t set, void* data, void* detail, uint32_t size,
                                              uint32_t* required, void* device);
