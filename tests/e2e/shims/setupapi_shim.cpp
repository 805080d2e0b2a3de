// Stand-in for the device-setup services: the present HID interfaces are the simulated
// devices named in the list file, read afresh by every SetupDiGetClassDevsA call.
#define _SETUPAPI_  // this library defines the functions that the header declares
#include <windows.h>
#include <setupapi.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "device_path.h"

namespace {

constexpr uint32_t kSetMagic = 0x51534554;  // "QSET"

struct DeviceSet {
  uint32_t magic = kSetMagic;
  std::vector<std::string> paths;
};

// Returns the set behind a handle, or null for anything this library did not hand out.
DeviceSet* SetOf(HDEVINFO h) {
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return nullptr;
  auto* set = static_cast<DeviceSet*>(h);
  return set->magic == kSetMagic ? set : nullptr;
}

// NOTE: the platform's records differ by pointer size, and the platform accepts only the
// exact size of the caller's architecture in cbSize.
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == (sizeof(void*) == 4 ? 28 : 32), "record size");
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == (sizeof(void*) == 4 ? 5 : 8),
              "detail record size");

// Tells whether a class GUID is the HID interface class.
bool IsHidClass(const GUID* guid) {
  return guid != nullptr && std::memcmp(guid, &devsim::kHidClassGuid, sizeof(GUID)) == 0;
}

}  // namespace

extern "C" {

// Returns a set with the plugged simulated devices (none for other classes).
HDEVINFO WINAPI SetupDiGetClassDevsA(const GUID* guid, PCSTR, HWND, DWORD flags) {
  auto* set = new DeviceSet;
  if (IsHidClass(guid) && (flags & DIGCF_DEVICEINTERFACE) != 0) {
    devsim::CountEnumeration();
    set->paths = devsim::ReadDeviceList(devsim::DeviceListPath());
  }
  return set;
}

// Frees a set made by SetupDiGetClassDevsA.
BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO h) {
  DeviceSet* set = SetOf(h);
  if (set == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  set->magic = 0;
  delete set;
  return TRUE;
}

// Fills the interface record of the device at an index; FALSE past the end of the set.
BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO h, PSP_DEVINFO_DATA, const GUID* guid, DWORD index,
                                        PSP_DEVICE_INTERFACE_DATA data) {
  DeviceSet* set = SetOf(h);
  if (set == nullptr || data == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  if (!IsHidClass(guid) || index >= set->paths.size()) {
    SetLastError(ERROR_NO_MORE_ITEMS);
    return FALSE;
  }
  std::memcpy(&data->InterfaceClassGuid, guid, sizeof(GUID));
  data->Flags = SPINT_ACTIVE;
  data->Reserved = index + 1;
  return TRUE;
}

// Reports the detail size and, given room, copies the device path.
BOOL WINAPI SetupDiGetDeviceInterfaceDetailA(HDEVINFO h, PSP_DEVICE_INTERFACE_DATA data,
                                             PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD size,
                                             PDWORD required, PSP_DEVINFO_DATA) {
  DeviceSet* set = SetOf(h);
  if (set == nullptr || data == nullptr || data->Reserved == 0 ||
      data->Reserved > set->paths.size()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA) ||
      (detail != nullptr && detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A))) {
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  const std::string& path = set->paths[data->Reserved - 1];
  const DWORD needed =
      static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + path.size() + 1);
  if (required != nullptr) *required = needed;
  if (detail == nullptr || size < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(detail->DevicePath, path.c_str(), path.size() + 1);
  return TRUE;
}

}  // extern "C"
