// The HID interface scan: walks the present HID interfaces from index 0 and probes each one.
#include "hid/hid_lookup.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace {

// Destroys a device information set when the scan leaves, whichever way it leaves.
class InfoListHolder {
 public:
  InfoListHolder(const HidPlatform& platform, intptr_t set) : platform_(platform), set_(set) {}
  ~InfoListHolder() { platform_.destroy_info_list(set_); }
  InfoListHolder(const InfoListHolder&) = delete;
  InfoListHolder& operator=(const InfoListHolder&) = delete;

 private:
  const HidPlatform& platform_;
  intptr_t set_;
};

// Copies the device path of the current interface into *path; false passes the interface
// over (no usable size, or no buffer could be had).
bool ReadDevicePath(const HidPlatform& platform, intptr_t set, DeviceInterfaceData* data,
                    std::string* path) {
  uint32_t required = 0;
  platform.get_interface_detail(set, data, nullptr, 0, &required);
  if (required < MIN_DETAIL_SIZE || required > MAX_DETAIL_SIZE) return false;
  std::unique_ptr<char[]> detail(new (std::nothrow) char[required]());
  if (!detail) return false;
  const uint32_t record_size = platform.detail_record_size;
  std::memcpy(detail.get(), &record_size, sizeof(record_size));
  uint32_t second = 0;
  platform.get_interface_detail(set, data, detail.get(), required, &second);
  // NOTE: the copy stops at the buffer's end even when the platform wrote no terminator.
  const char* begin = detail.get() + DEVICE_PATH_OFFSET;
  const char* end = detail.get() + required;
  path->assign(begin, std::find(begin, end, '\0'));
  return true;
}

// Returns whether the attributes match, testing product, vendor, then version.
bool Matches(const HiddAttributes& attributes, uint16_t product, uint16_t vendor,
             uint16_t version) {
  if (attributes.ProductID != product) return false;
  if (attributes.VendorID != vendor) return false;
  return version == HID_ANY_VERSION || attributes.VersionNumber == version;
}

enum class ScanMode { kFind, kOpen };

// Runs the scan; returns 1 (find) or the open handle (open) for the first match, else 0. The
// matching interface's path goes to *found_path when one is given.
intptr_t ScanHidInterfaces(const HidPlatform& platform, ScanMode mode, uint16_t product,
                           uint16_t vendor, uint16_t version, std::string* found_path) {
  const bool open = mode == ScanMode::kOpen;
  HidGuid guid{};
  platform.get_hid_guid(&guid);
  const intptr_t set = platform.get_class_devs(&guid, PRESENT_INTERFACES);
  if (set == 0) return 0;
  const InfoListHolder set_holder(platform, set);

  DeviceInterfaceData data{};
  data.cbSize = sizeof(data);
  HiddAttributes attributes{};
  std::string path;
  for (uint32_t index = 0; index < MAX_HID_INTERFACES; ++index) {
    if (platform.enum_interfaces(set, &guid, index, &data) == 0) break;
    if (!ReadDevicePath(platform, set, &data, &path)) continue;
    const intptr_t handle =
        platform.create_file(path.c_str(), open ? READ_WRITE_ACCESS : QUERY_ACCESS,
                             SHARE_READ_WRITE, open, OPEN_EXISTING_FILE, 0);
    // NOTE: handles are judged as signed 32-bit values, which also rules out
    // INVALID_HANDLE_VALUE; nothing is closed for such an index.
    if (static_cast<int32_t>(static_cast<uint32_t>(handle)) <= 0) continue;
    attributes.Size = sizeof(attributes);
    platform.get_attributes(handle, &attributes);
    if (!open) platform.close_handle(handle);
    if (Matches(attributes, product, vendor, version)) {
      if (found_path != nullptr) *found_path = path;
      return open ? handle : 1;
    }
    if (open) platform.close_handle(handle);
  }
  return 0;
}

}  // namespace

// Returns 1 when a present HID interface matches, else 0; leaves no handle open.
int32_t FindHidDeviceWith(const HidPlatform& platform, uint16_t product, uint16_t vendor,
                          uint16_t version) {
  return static_cast<int32_t>(
      ScanHidInterfaces(platform, ScanMode::kFind, product, vendor, version, nullptr));
}

// Returns an inheritable read-write handle to the first matching interface, else 0.
HidHandle OpenHidDeviceWith(const HidPlatform& platform, uint16_t product, uint16_t vendor,
                            uint16_t version, std::string* path) {
  return ScanHidInterfaces(platform, ScanMode::kOpen, product, vendor, version, path);
}

// Returns 1 when the device behind an open handle still answers with matching identifiers.
int32_t CheckHidHandleWith(const HidPlatform& platform, HidHandle handle, uint16_t product,
                           uint16_t vendor, uint16_t version) {
  if (handle == 0) return 0;
  HiddAttributes attributes{};
  attributes.Size = sizeof(attributes);
  if (platform.get_attributes(handle, &attributes) == 0) return 0;
  return Matches(attributes, product, vendor, version) ? 1 : 0;
}
