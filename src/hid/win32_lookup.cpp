// FindHidDevice, ChooseHidDevice, OpenHidDevice and OpenHidDeviceAt on Windows: the scan's platform
// table filled with SetupAPI (two imported calls, two bound by name), the bound HID functions and
// kernel32.
#include <windows.h>
#include <setupapi.h>
#include <hidsdi.h>
#include <hidpi.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

#include "hid/bound_functions.h"
#include "hid/hid.h"
#include "hid/hid_lookup.h"

// The scan's own records must lie exactly over the platform's.
static_assert(sizeof(HidGuid) == 16 && sizeof(GUID) == 16, "GUID is 16 bytes");
static_assert(sizeof(DeviceInterfaceData) == sizeof(SP_DEVICE_INTERFACE_DATA), "record size");
static_assert(offsetof(DeviceInterfaceData, cbSize) == offsetof(SP_DEVICE_INTERFACE_DATA, cbSize),
              "cbSize offset");
static_assert(offsetof(DeviceInterfaceData, InterfaceClassGuid) ==
                  offsetof(SP_DEVICE_INTERFACE_DATA, InterfaceClassGuid),
              "InterfaceClassGuid offset");
static_assert(offsetof(DeviceInterfaceData, Flags) == offsetof(SP_DEVICE_INTERFACE_DATA, Flags),
              "Flags offset");
static_assert(offsetof(DeviceInterfaceData, Reserved) ==
                  offsetof(SP_DEVICE_INTERFACE_DATA, Reserved),
              "Reserved offset");
static_assert(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) == DEVICE_PATH_OFFSET,
              "DevicePath offset");
static_assert(sizeof(HiddAttributes) == sizeof(HIDD_ATTRIBUTES), "HIDD_ATTRIBUTES size");
static_assert(offsetof(HiddAttributes, Size) == offsetof(HIDD_ATTRIBUTES, Size), "Size offset");
static_assert(offsetof(HiddAttributes, VendorID) == offsetof(HIDD_ATTRIBUTES, VendorID),
              "VendorID offset");
static_assert(offsetof(HiddAttributes, ProductID) == offsetof(HIDD_ATTRIBUTES, ProductID),
              "ProductID offset");
static_assert(offsetof(HiddAttributes, VersionNumber) == offsetof(HIDD_ATTRIBUTES, VersionNumber),
              "VersionNumber offset");
// NOTE: mingw pads HIDD_ATTRIBUTES to 12 bytes; its fields end at byte 10.
static_assert(offsetof(HIDD_ATTRIBUTES, VersionNumber) + 2 == 10, "HIDD_ATTRIBUTES fields");
// The shipped 32-bit program's record sizes.
static_assert(sizeof(void*) != 4 || sizeof(SP_DEVICE_INTERFACE_DATA) == 28, "32-bit record");
static_assert(sizeof(void*) != 4 || sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == 5,
              "32-bit detail record");
static_assert(sizeof(void*) != 4 || sizeof(SECURITY_ATTRIBUTES) == 12, "32-bit security record");
static_assert(sizeof(HIDP_CAPS) == 64, "HIDP_CAPS size");
static_assert(sizeof(HIDP_VALUE_CAPS) == 72 && sizeof(HIDP_BUTTON_CAPS) == 72, "caps records");

namespace {

// Fills in the HID interface class GUID through hid.dll.
void GetHidGuid(HidGuid* guid) {
  CallHidD_GetHidGuid(guid);
}

// Returns the set of present interfaces of a class, or 0 / INVALID_HANDLE_VALUE.
intptr_t GetClassDevs(const HidGuid* guid, uint32_t flags) {
  return reinterpret_cast<intptr_t>(
      SetupDiGetClassDevsA(reinterpret_cast<const GUID*>(guid), nullptr, nullptr, flags));
}

// Fills in the interface record at an index; 0 at the end of the list.
intptr_t EnumInterfaces(intptr_t set, const HidGuid* guid, uint32_t index,
                        DeviceInterfaceData* data) {
  // NOTE: the result is a BOOL; only its low 32 bits are defined on 64-bit.
  return static_cast<BOOL>(CallSetupDiEnumDeviceInterfaces(set, nullptr, guid, index, data));
}

// Queries an interface's detail record, or only its size when detail is null.
intptr_t GetInterfaceDetail(intptr_t set, DeviceInterfaceData* data, void* detail, uint32_t size,
                            uint32_t* required) {
  return CallSetupDiGetDeviceInterfaceDetailA(set, data, detail, size, required, nullptr);
}

// Opens a path; inheritable asks for a handle that child processes inherit.
intptr_t CreateFileOnPath(const char* path, uint32_t access, uint32_t share, bool inheritable,
                          uint32_t creation, uint32_t flags) {
  SECURITY_ATTRIBUTES security = {};
  security.nLength = sizeof(security);
  security.lpSecurityDescriptor = nullptr;
  security.bInheritHandle = TRUE;
  return reinterpret_cast<intptr_t>(CreateFileA(
      path, access, share, inheritable ? &security : nullptr, creation, flags, nullptr));
}

// Fills in a device's identifiers through hid.dll; nonzero on success.
intptr_t GetAttributes(intptr_t handle, HiddAttributes* attributes) {
  // NOTE: the result is a BOOLEAN; only its low 8 bits are defined.
  return static_cast<BOOLEAN>(CallHidD_GetAttributes(handle, attributes));
}

// Closes a handle.
intptr_t CloseHandleValue(intptr_t handle) {
  return CloseHandle(reinterpret_cast<HANDLE>(handle));
}

// Destroys a device information set.
intptr_t DestroyInfoList(intptr_t set) {
  return SetupDiDestroyDeviceInfoList(reinterpret_cast<HDEVINFO>(set));
}

// Notes one output report ID (0: none) in *framing: the first, and how many differ from it.
void NoteOutputReportId(UCHAR id, HidFraming* framing) {
  if (id == 0 || id == framing->output_report_id) return;
  if (framing->output_report_ids == 0) framing->output_report_id = id;
  if (framing->output_report_ids < 2) ++framing->output_report_ids;
}

// Notes the output report's IDs from its value or button capabilities (both carry ReportID);
// false when the list cannot be had.
template <typename Caps>
bool NoteOutputReportIds(intptr_t (*get)(int32_t, void*, void*, void*),
                         PHIDP_PREPARSED_DATA preparsed, USHORT count, HidFraming* framing) {
  if (count == 0) return true;
  std::unique_ptr<Caps[]> caps(new (std::nothrow) Caps[count]());
  if (!caps) return false;
  USHORT length = count;
  if (static_cast<NTSTATUS>(get(HidP_Output, caps.get(), &length, preparsed)) !=
      HIDP_STATUS_SUCCESS) {
    return false;
  }
  for (USHORT i = 0; i < length && i < count; ++i) NoteOutputReportId(caps[i].ReportID, framing);
  return true;
}

// Reads an open device's framing from its preparsed data: the report lengths (ID byte
// included), the usage page, and the output report IDs.
bool GetFraming(intptr_t handle, HidFraming* framing) {
  PHIDP_PREPARSED_DATA preparsed = nullptr;
  // NOTE: the result is a BOOLEAN; only its low 8 bits are defined.
  if (static_cast<BOOLEAN>(CallHidD_GetPreparsedData(handle, &preparsed)) == 0) return false;
  HIDP_CAPS caps = {};
  *framing = HidFraming{};
  bool read = static_cast<NTSTATUS>(CallHidP_GetCaps(preparsed, &caps)) == HIDP_STATUS_SUCCESS;
  if (read) {
    framing->input_length = caps.InputReportByteLength;
    framing->output_length = caps.OutputReportByteLength;
    framing->usage_page = caps.UsagePage;
    read = NoteOutputReportIds<HIDP_VALUE_CAPS>(CallHidP_GetValueCaps, preparsed,
                                                caps.NumberOutputValueCaps, framing) &&
           NoteOutputReportIds<HIDP_BUTTON_CAPS>(CallHidP_GetButtonCaps, preparsed,
                                                 caps.NumberOutputButtonCaps, framing);
  }
  CallHidD_FreePreparsedData(preparsed);
  return read;
}

// Returns the calling thread's last error.
uint32_t LastError() {
  return GetLastError();
}

const HidPlatform WindowsHid = {GetHidGuid,       GetClassDevs,
                                EnumInterfaces,   GetInterfaceDetail,
                                CreateFileOnPath, GetAttributes,
                                CloseHandleValue, DestroyInfoList,
                                LastError,        sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A),
                                GetFraming};

}  // namespace

// Returns 1 when a present HID interface matches, else 0.
int32_t FindHidDevice(uint16_t product, uint16_t vendor, uint16_t version, std::string* path) {
  return FindHidDeviceWith(WindowsHid, product, vendor, version, path);
}

// Opens the first matching interface for reading and writing; returns the handle or 0.
HidHandle OpenHidDevice(uint16_t product, uint16_t vendor, uint16_t version, std::string* path) {
  return OpenHidDeviceWith(WindowsHid, product, vendor, version, path);
}

// Opens the matching interface whose framing fits the console's reports best.
HidHandle ChooseHidDevice(uint16_t product, uint16_t vendor, uint16_t version, HidChosen* chosen) {
  return ChooseHidDeviceWith(WindowsHid, product, vendor, version, chosen);
}

// Opens one interface path for reading and writing when it matches; returns the handle or 0.
HidHandle OpenHidDeviceAt(const std::string& path, uint16_t product, uint16_t vendor,
                          uint16_t version, bool* refused) {
  return OpenHidDeviceAtWith(WindowsHid, path, product, vendor, version, refused);
}

// Opens one interface path with query-only access when it matches; returns the handle or 0.
HidHandle OpenHidProbe(const std::string& path, uint16_t product, uint16_t vendor,
                       uint16_t version) {
  return OpenHidProbeWith(WindowsHid, path, product, vendor, version);
}

// Returns 1 when the device behind an open handle still answers with matching identifiers.
int32_t CheckHidHandle(HidHandle handle, uint16_t product, uint16_t vendor, uint16_t version) {
  return CheckHidHandleWith(WindowsHid, handle, product, vendor, version);
}

// Fills 16 bytes with the HID interface class GUID through hid.dll.
void FetchHidClassGuid(uint8_t* guid) {
  GUID value = {};
  CallHidD_GetHidGuid(&value);
  std::memcpy(guid, &value, sizeof(value));
}
