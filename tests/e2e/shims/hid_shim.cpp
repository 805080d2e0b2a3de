// Stand-in for the HID class services: the interface class GUID, and a handle's vendor,
// product and version read from the name of the simulated device's pipe.
#include <windows.h>

#include <cstring>
#include <string>

#include "device_path.h"

namespace {

// The platform's HIDD_ATTRIBUTES record.
struct HidAttributes {
  ULONG Size;
  USHORT VendorID;
  USHORT ProductID;
  USHORT VersionNumber;
};

}  // namespace

extern "C" {

// Fills in the HID device interface class GUID.
void WINAPI HidD_GetHidGuid(LPGUID guid) {
  if (guid != nullptr) std::memcpy(guid, &devsim::kHidClassGuid, sizeof(GUID));
}

// Fills VendorID, ProductID and VersionNumber for a handle on a simulated device.
// NOTE: Wine 8 answers FileNameInfo for pipes with the pipe's name; it has no final path.
BOOLEAN WINAPI HidD_GetAttributes(HANDLE h, HidAttributes* attrs) {
  if (attrs == nullptr) return FALSE;
  alignas(FILE_NAME_INFO) char buf[sizeof(FILE_NAME_INFO) + 1024] = {};
  auto* info = reinterpret_cast<FILE_NAME_INFO*>(buf);
  if (!GetFileInformationByHandleEx(h, FileNameInfo, info, sizeof buf - sizeof(WCHAR))) {
    return FALSE;
  }
  std::string name;
  for (DWORD i = 0; i < info->FileNameLength / sizeof(WCHAR); ++i) {
    name.push_back(static_cast<char>(info->FileName[i]));
  }
  devsim::DeviceIds ids;
  if (!devsim::ParseDeviceIds(name, &ids)) return FALSE;
  attrs->Size = sizeof(HidAttributes);
  attrs->VendorID = ids.vendor;
  attrs->ProductID = ids.product;
  attrs->VersionNumber = ids.version;
  return TRUE;
}

}  // extern "C"
