// The HID interface scan: walks the present HID interfaces from index 0 and probes each one.
#include "hid/hid_lookup.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

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

// The identifiers looked for: product, vendor, version (HID_ANY_VERSION for any).
struct Wanted {
  uint16_t product;
  uint16_t vendor;
  uint16_t version;
};

// Returns whether the attributes match, testing product, vendor, then version.
bool Matches(const HiddAttributes& attributes, const Wanted& wanted) {
  if (attributes.ProductID != wanted.product) return false;
  if (attributes.VendorID != wanted.vendor) return false;
  return wanted.version == HID_ANY_VERSION || attributes.VersionNumber == wanted.version;
}

// True for a handle that create_file handed out.
// NOTE: handles are judged as signed 32-bit values, which also rules out
// INVALID_HANDLE_VALUE; nothing is closed for such a value.
bool IsHandle(intptr_t handle) {
  return static_cast<int32_t>(static_cast<uint32_t>(handle)) > 0;
}

// Reads an open interface's identifiers; false when they cannot be read.
bool ReadAttributes(const HidPlatform& platform, intptr_t handle, HiddAttributes* attributes) {
  *attributes = HiddAttributes{};
  attributes->Size = sizeof(*attributes);
  return platform.get_attributes(handle, attributes) != 0;
}

// Opens a path with query-only access; returns the handle when its identifiers match, else 0.
intptr_t OpenQueryOnly(const HidPlatform& platform, const std::string& path, const Wanted& wanted) {
  const intptr_t handle = platform.create_file(path.c_str(), QUERY_ACCESS, SHARE_READ_WRITE, false,
                                               OPEN_EXISTING_FILE, 0);
  if (!IsHandle(handle)) return 0;
  HiddAttributes attributes;
  if (ReadAttributes(platform, handle, &attributes) && Matches(attributes, wanted)) return handle;
  platform.close_handle(handle);
  return 0;
}

// True when a query-only open of a path reads matching identifiers; leaves no handle open.
// When `framing` is given, it gets the interface's framing, read through the same handle
// (all zero when it cannot be read).
bool QueryMatches(const HidPlatform& platform, const std::string& path, const Wanted& wanted,
                  HidFraming* framing = nullptr) {
  const intptr_t handle = OpenQueryOnly(platform, path, wanted);
  if (handle == 0) return false;
  if (framing != nullptr && !platform.get_framing(handle, framing)) *framing = HidFraming{};
  platform.close_handle(handle);
  return true;
}

// Opens one interface for reading and writing; returns the handle when it matches, else 0.
// *held tells whether the open failed as it does on a device that another program holds: the
// open refused (sharing violation, access denied), or identifiers that cannot be read on the
// read-write handle.
intptr_t OpenReadWrite(const HidPlatform& platform, const std::string& path, const Wanted& wanted,
                       bool* held) {
  *held = false;
  const intptr_t handle = platform.create_file(path.c_str(), READ_WRITE_ACCESS, SHARE_READ_WRITE,
                                               true, OPEN_EXISTING_FILE, 0);
  if (!IsHandle(handle)) {
    const uint32_t error = platform.last_error();
    *held = error == OPEN_ACCESS_DENIED || error == OPEN_SHARING_VIOLATION;
    return 0;
  }
  HiddAttributes attributes;
  const bool read = ReadAttributes(platform, handle, &attributes);
  if (read && Matches(attributes, wanted)) return handle;
  platform.close_handle(handle);
  *held = !read;
  return 0;
}

// Opens one interface for reading and writing; returns the handle when it matches, else 0.
// When the open fails as a held device's does, a query-only open tells whether the interface
// is the one wanted, and *refused says so.
intptr_t OpenInterface(const HidPlatform& platform, const std::string& path, const Wanted& wanted,
                       bool* refused) {
  bool held = false;
  const intptr_t handle = OpenReadWrite(platform, path, wanted, &held);
  if (held && refused != nullptr && QueryMatches(platform, path, wanted)) *refused = true;
  return handle;
}

// Calls visit(path) for each present HID interface from index 0 until it returns true.
template <typename Visit>
void VisitHidInterfaces(const HidPlatform& platform, Visit visit) {
  HidGuid guid{};
  platform.get_hid_guid(&guid);
  const intptr_t set = platform.get_class_devs(&guid, PRESENT_INTERFACES);
  if (set == 0) return;
  const InfoListHolder set_holder(platform, set);

  DeviceInterfaceData data{};
  data.cbSize = sizeof(data);
  std::string path;
  for (uint32_t index = 0; index < MAX_HID_INTERFACES; ++index) {
    if (platform.enum_interfaces(set, &guid, index, &data) == 0) break;
    if (!ReadDevicePath(platform, set, &data, &path)) continue;
    if (visit(path)) return;
  }
}

enum class ScanMode { kFind, kOpen };

// Runs the scan; returns 1 (find) or the open handle (open) for the first match, else 0. The
// matching interface's path goes to *found_path when one is given.
intptr_t ScanHidInterfaces(const HidPlatform& platform, ScanMode mode, const Wanted& wanted,
                           std::string* found_path) {
  intptr_t found = 0;
  VisitHidInterfaces(platform, [&](const std::string& path) {
    found = mode == ScanMode::kOpen ? OpenInterface(platform, path, wanted, nullptr)
                                    : QueryMatches(platform, path, wanted);
    if (found != 0 && found_path != nullptr) *found_path = path;
    return found != 0;
  });
  return found;
}

}  // namespace

// Returns 1 when a present HID interface matches, else 0; leaves no handle open.
int32_t FindHidDeviceWith(const HidPlatform& platform, uint16_t product, uint16_t vendor,
                          uint16_t version, std::string* path) {
  return static_cast<int32_t>(
      ScanHidInterfaces(platform, ScanMode::kFind, Wanted{product, vendor, version}, path));
}

// Returns an inheritable read-write handle to the first matching interface, else 0.
HidHandle OpenHidDeviceWith(const HidPlatform& platform, uint16_t product, uint16_t vendor,
                            uint16_t version, std::string* path) {
  return ScanHidInterfaces(platform, ScanMode::kOpen, Wanted{product, vendor, version}, path);
}

// Returns an inheritable read-write handle to one interface path when it matches, else 0.
HidHandle OpenHidDeviceAtWith(const HidPlatform& platform, const std::string& path,
                              uint16_t product, uint16_t vendor, uint16_t version, bool* refused) {
  if (refused != nullptr) *refused = false;
  return OpenInterface(platform, path, Wanted{product, vendor, version}, refused);
}

// Returns a query-only handle to one interface path when it matches, else 0.
HidHandle OpenHidProbeWith(const HidPlatform& platform, const std::string& path, uint16_t product,
                           uint16_t vendor, uint16_t version) {
  return OpenQueryOnly(platform, path, Wanted{product, vendor, version});
}

// Returns 1 when the device behind an open handle still answers with matching identifiers.
int32_t CheckHidHandleWith(const HidPlatform& platform, HidHandle handle, uint16_t product,
                           uint16_t vendor, uint16_t version) {
  if (handle == 0) return 0;
  HiddAttributes attributes;
  if (!ReadAttributes(platform, handle, &attributes)) return 0;
  return Matches(attributes, Wanted{product, vendor, version}) ? 1 : 0;
}

// Sees every matching interface and keeps the one PickInterface picks; the others opened on the
// way are closed. One query-only open of each reads its identifiers and framing, and only a
// matching one is opened for reading and writing; the scan ends at the first interface of the
// console's own framing that opens, which nothing after it could beat.
HidHandle ChooseHidDeviceWith(const HidPlatform& platform, uint16_t product, uint16_t vendor,
                              uint16_t version, HidChosen* chosen) {
  const Wanted wanted{product, vendor, version};
  std::vector<SeenInterface> seen;
  VisitHidInterfaces(platform, [&](const std::string& candidate) {
    SeenInterface s;
    if (!QueryMatches(platform, candidate, wanted, &s.framing)) return false;
    s.handle = OpenReadWrite(platform, candidate, wanted, &s.refused);
    s.opened = s.handle != 0;
    s.path = candidate;
    seen.push_back(std::move(s));
    return seen.back().opened && FitOf(seen.back().framing) == HidFit::kConsole;
  });
  const InterfacePick pick = PickInterface(seen);
  for (size_t i = 0; i < seen.size(); ++i) {
    if (seen[i].opened && static_cast<int>(i) != pick.index) platform.close_handle(seen[i].handle);
  }
  *chosen = HidChosen{};
  chosen->choice = pick.choice;
  if (pick.index < 0) return 0;
  chosen->path = seen[pick.index].path;
  chosen->framing = seen[pick.index].framing;
  return seen[pick.index].handle;
}
