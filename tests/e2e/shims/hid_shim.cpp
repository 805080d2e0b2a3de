// Stand-in for the HID class services: the interface class GUID, and a handle's vendor,
// product and version read from the name of the simulated device's pipe.
#include <windows.h>
#include <winternl.h>

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

// True when the handle was opened for writing (not a query-only probe).
bool OpenedForWriting(HANDLE h) {
  PUBLIC_OBJECT_BASIC_INFORMATION info = {};
  ULONG length = 0;
  if (NtQueryObject(h, ObjectBasicInformation, &info, sizeof info, &length) != 0) return false;
  return (info.GrantedAccess & (FILE_WRITE_DATA | GENERIC_WRITE)) != 0;
}

// Returns a pipe's own name: what follows the last backslash.
std::string PipeName(const std::string& path) {
  const size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// True for a read-write handle on a device that another program holds (named in the held
// list): the open itself succeeded on the pipe, but its attributes cannot be read, so it
// never matches, as if the open had failed.
bool HeldElsewhere(HANDLE h, const std::string& name) {
  if (!OpenedForWriting(h)) return false;
  const std::string list = devsim::HeldList(devsim::DeviceListPath());
  for (const std::string& held : devsim::ReadDeviceList(list)) {
    if (_stricmp(PipeName(held).c_str(), PipeName(name).c_str()) == 0) return true;
  }
  return false;
}

// True when the handle's pipe has been broken from the simulator's side: the device has gone.
// A query-only handle may not peek; that says nothing about the device.
bool DeviceGone(HANDLE h) {
  DWORD available = 0;
  if (PeekNamedPipe(h, nullptr, 0, nullptr, &available, nullptr)) return false;
  const DWORD error = GetLastError();
  return error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED || error == ERROR_NO_DATA;
}

}  // namespace

extern "C" {

// Fills in the HID device interface class GUID.
void WINAPI HidD_GetHidGuid(LPGUID guid) {
  if (guid != nullptr) std::memcpy(guid, &devsim::kHidClassGuid, sizeof(GUID));
}

// Fills VendorID, ProductID and VersionNumber for a handle on a simulated device; fails, as
// the class driver does, once the device behind the handle has gone.
// NOTE: Wine 8 answers FileNameInfo for pipes with the pipe's name; it has no final path.
BOOLEAN WINAPI HidD_GetAttributes(HANDLE h, HidAttributes* attrs) {
  if (attrs == nullptr) return FALSE;
  if (DeviceGone(h)) {
    SetLastError(ERROR_DEVICE_NOT_CONNECTED);
    return FALSE;
  }
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
  if (!devsim::ParseDeviceIds(name, &ids) || HeldElsewhere(h, name)) return FALSE;
  attrs->Size = sizeof(HidAttributes);
  attrs->VendorID = ids.vendor;
  attrs->ProductID = ids.product;
  attrs->VersionNumber = ids.version;
  return TRUE;
}

}  // extern "C"
