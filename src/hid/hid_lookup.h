// The HID interface scan behind FindHidDevice and OpenHidDevice, written against a narrow
// table of platform operations so that it runs on any platform and under test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hid/hid.h"
#include "hid/interface_rank.h"

// The platform's GUID, 16 bytes.
struct HidGuid {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};

// Mirror of SP_DEVICE_INTERFACE_DATA.
struct DeviceInterfaceData {
  uint32_t cbSize;
  HidGuid InterfaceClassGuid;
  uint32_t Flags;
  uintptr_t Reserved;
};

// Mirror of HIDD_ATTRIBUTES.
struct HiddAttributes {
  uint32_t Size;
  uint16_t VendorID;
  uint16_t ProductID;
  uint16_t VersionNumber;
};

// DIGCF_PRESENT with DIGCF_DEVICEINTERFACE.
constexpr uint32_t PRESENT_INTERFACES = 0x12;
// FILE_SHARE_READ with FILE_SHARE_WRITE.
constexpr uint32_t SHARE_READ_WRITE = 3;
// OPEN_EXISTING.
constexpr uint32_t OPEN_EXISTING_FILE = 3;
// GENERIC_READ with GENERIC_WRITE.
constexpr uint32_t READ_WRITE_ACCESS = 0xC0000000u;
// Access that allows only queries such as HidD_GetAttributes.
constexpr uint32_t QUERY_ACCESS = 0;
// Interfaces examined per scan: indices 0 to 255.
constexpr uint32_t MAX_HID_INTERFACES = 256;
// Detail buffers outside these bounds are passed over: the record's cbSize word plus at
// least a path terminator, and a generous ceiling for a device path.
constexpr uint32_t MIN_DETAIL_SIZE = 4 + 1;
constexpr uint32_t MAX_DETAIL_SIZE = 64 * 1024;
// Offset of DevicePath in SP_DEVICE_INTERFACE_DETAIL_DATA_A.
constexpr uint32_t DEVICE_PATH_OFFSET = 4;
// The errors of a read-write open that a device held by another program refuses:
// ERROR_ACCESS_DENIED and ERROR_SHARING_VIOLATION.
constexpr uint32_t OPEN_ACCESS_DENIED = 5;
constexpr uint32_t OPEN_SHARING_VIOLATION = 32;

// The platform operations that the scan uses, one entry each.
struct HidPlatform {
  // HidD_GetHidGuid(guid): fills in the HID interface class; does nothing without hid.dll.
  void (*get_hid_guid)(HidGuid* guid);
  // SetupDiGetClassDevsA(guid, no enumerator, no window, flags): a device information set,
  // or 0 / INVALID_HANDLE_VALUE on failure.
  intptr_t (*get_class_devs)(const HidGuid* guid, uint32_t flags);
  // SetupDiEnumDeviceInterfaces(set, no device record, guid, index, data): nonzero with *data
  // filled in when an interface exists at index; 0 at the end of the list or on error.
  intptr_t (*enum_interfaces)(intptr_t set, const HidGuid* guid, uint32_t index,
                              DeviceInterfaceData* data);
  // SetupDiGetDeviceInterfaceDetailA(set, data, detail, size, required, no device record):
  // with detail null and size 0 writes the required size to *required; otherwise fills the
  // DevicePath of the detail record, which holds `size` bytes.
  intptr_t (*get_interface_detail)(intptr_t set, DeviceInterfaceData* data, void* detail,
                                   uint32_t size, uint32_t* required);
  // CreateFileA(path, access, share, security, creation, flags, no template), where security
  // is null or, when inheritable, a record asking for an inheritable handle; returns the
  // handle or INVALID_HANDLE_VALUE.
  intptr_t (*create_file)(const char* path, uint32_t access, uint32_t share, bool inheritable,
                          uint32_t creation, uint32_t flags);
  // HidD_GetAttributes(handle, attributes): fills VendorID, ProductID, VersionNumber.
  intptr_t (*get_attributes)(intptr_t handle, HiddAttributes* attributes);
  // CloseHandle(handle).
  intptr_t (*close_handle)(intptr_t handle);
  // SetupDiDestroyDeviceInfoList(set).
  intptr_t (*destroy_info_list)(intptr_t set);
  // GetLastError(): read right after a create_file that failed.
  uint32_t (*last_error)();
  // sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A): the value of the detail record's cbSize.
  uint32_t detail_record_size;
  // HidD_GetPreparsedData, HidP_GetCaps, the output report's value and button capabilities
  // (HidP_GetValueCaps, HidP_GetButtonCaps) and HidD_FreePreparsedData on an open handle:
  // fills in the interface's framing; false when it cannot be read.
  bool (*get_framing)(intptr_t handle, HidFraming* framing);
};

// FindHidDevice over a platform table: 1 when a present interface matches, else 0; its path
// goes to *path when one is given.
int32_t FindHidDeviceWith(const HidPlatform& platform, uint16_t product, uint16_t vendor,
                          uint16_t version, std::string* path = nullptr);
// OpenHidDevice over a platform table: the read-write handle of the first match, else 0; the
// path that was opened goes to *path when one is given.
HidHandle OpenHidDeviceWith(const HidPlatform& platform, uint16_t product, uint16_t vendor,
                            uint16_t version, std::string* path = nullptr);
// OpenHidDeviceAt over a platform table: the read-write handle of one interface path when its
// identifiers match, else 0; *refused as for OpenHidDeviceAt.
HidHandle OpenHidDeviceAtWith(const HidPlatform& platform, const std::string& path,
                              uint16_t product, uint16_t vendor, uint16_t version,
                              bool* refused = nullptr);
// ChooseHidDevice over a platform table.
HidHandle ChooseHidDeviceWith(const HidPlatform& platform, uint16_t product, uint16_t vendor,
                              uint16_t version, HidChosen* chosen);
// OpenHidProbe over a platform table.
HidHandle OpenHidProbeWith(const HidPlatform& platform, const std::string& path, uint16_t product,
                           uint16_t vendor, uint16_t version);
// CheckHidHandle over a platform table: 1 when HidD_GetAttributes succeeds on the open handle
// and the identifiers match, else 0. No enumeration, no other handle.
int32_t CheckHidHandleWith(const HidPlatform& platform, HidHandle handle, uint16_t product,
                           uint16_t vendor, uint16_t version);
