// The simulated SetupAPI behind FakeHidPlatform.
#include "fake_setupapi.h"

#include <cstring>

namespace {

FakeSetupApi* Fake = nullptr;

// Fills in the HID class GUID unless hid.dll is missing.
void FakeGetHidGuid(HidGuid* guid) {
  Fake->calls.push_back("HidD_GetHidGuid");
  if (Fake->hid_missing) return;
  guid->Data1 = FAKE_HID_GUID_DATA1;
  guid->Data2 = 0xF16F;
  guid->Data3 = 0x11CF;
}

// Returns the scripted set.
intptr_t FakeGetClassDevs(const HidGuid*, uint32_t) {
  Fake->calls.push_back("SetupDiGetClassDevsA");
  if (Fake->set_result != 0) ++Fake->sets_made;
  return Fake->set_result;
}

// Fills in the record of an existing interface; the index goes into Reserved.
intptr_t FakeEnumInterfaces(intptr_t set, const HidGuid*, uint32_t index,
                            DeviceInterfaceData* data) {
  Fake->calls.push_back("SetupDiEnumDeviceInterfaces");
  if (index > Fake->highest_index) Fake->highest_index = index;
  if (Fake->enum_missing || set != FAKE_SET) return 0;
  if (data->cbSize != sizeof(DeviceInterfaceData)) {
    ++Fake->bad_records;
    return 0;
  }
  // Only present interfaces are listed: `index` counts those.
  size_t at = 0;
  for (uint32_t listed = 0; at < Fake->interfaces.size(); ++at) {
    if (Fake->interfaces[at].present && listed++ == index) break;
  }
  if (at >= Fake->interfaces.size()) return 0;
  data->Reserved = at;
  return 1;
}

// Answers the size query as scripted, or fills in the path of the interface.
intptr_t FakeGetInterfaceDetail(intptr_t set, DeviceInterfaceData* data, void* detail,
                                uint32_t size, uint32_t* required) {
  Fake->calls.push_back(detail == nullptr ? "DetailSize" : "DetailPath");
  if (set != FAKE_SET) return 0;
  const size_t index = data->Reserved;
  const FakeInterface& device = Fake->interfaces.at(index);
  const uint32_t exact =
      static_cast<uint32_t>(4 + device.path.size() + (device.unterminated ? 0 : 1));
  if (detail == nullptr) {
    if (device.size == SizeAnswer::kExact) *required = exact;
    if (device.size == SizeAnswer::kValue) *required = device.size_value;
    return 0;
  }
  Fake->path_queries.push_back(index);
  uint32_t record_size = 0;
  std::memcpy(&record_size, detail, sizeof(record_size));
  if (record_size != Fake->detail_record_size) {
    ++Fake->bad_records;
    return 0;
  }
  if (size < exact) return 0;
  std::memcpy(static_cast<char*>(detail) + 4, device.path.data(), device.path.size());
  if (!device.unterminated) static_cast<char*>(detail)[4 + device.path.size()] = '\0';
  return 1;
}

// Puts interfaces first in the list; the handles open keep their interfaces.
void Arrive(std::vector<FakeInterface>& arriving) {
  for (auto& open : Fake->open_handles) open.second += arriving.size();
  Fake->interfaces.insert(Fake->interfaces.begin(), arriving.begin(), arriving.end());
  arriving.clear();
}

// Opens the interface with the given path if the scripted access allows it.
intptr_t FakeCreateFile(const char* path, uint32_t access, uint32_t share, bool inheritable,
                        uint32_t creation, uint32_t flags) {
  Fake->calls.push_back("CreateFileA");
  Fake->creates.push_back({path, access, share, inheritable, creation, flags});
  Fake->last_error = 2;  // ERROR_FILE_NOT_FOUND
  for (size_t i = 0; i < Fake->interfaces.size(); ++i) {
    const FakeInterface& device = Fake->interfaces[i];
    if (device.path.empty() || device.path != path || !device.present) continue;
    if (device.force_handle) return device.forced_handle;
    if (!(access == 0 ? device.query_open : device.read_write_open)) {
      Fake->last_error = access == 0 ? 5 : device.refusal;
      return FAKE_INVALID_HANDLE;
    }
    if (access != 0 && Fake->open_failure != 0 && Fake->opens_before_failure-- <= 0) {
      Fake->last_error = Fake->open_failure;
      return FAKE_INVALID_HANDLE;
    }
    // As on Windows, an open must share the reading and writing of every handle open on the
    // interface, and each of those must share what the open asks for.
    const uint32_t wants = access == 0 ? 0 : 3;  // in FILE_SHARE_READ | FILE_SHARE_WRITE bits
    for (const auto& open : Fake->open_handles) {
      if (open.second != i) continue;
      const uint32_t other_share = Fake->shares[open.first];
      if ((share & Fake->accesses[open.first]) != Fake->accesses[open.first] ||
          (other_share & wants) != wants) {
        Fake->last_error = 32;  // ERROR_SHARING_VIOLATION
        return FAKE_INVALID_HANDLE;
      }
    }
    intptr_t handle = Fake->next_handle;
    if (!Fake->reuse_handles) Fake->next_handle += 4;
    while (Fake->open_handles.count(handle) != 0) handle += 4;
    Fake->open_handles[handle] = i;
    Fake->shares[handle] = share;
    Fake->accesses[handle] = wants;
    if (wants != 0) {
      ++Fake->read_write_opens;
      Arrive(Fake->arrive_after_open);
    }
    return handle;
  }
  return FAKE_INVALID_HANDLE;
}

// Fills in the identifiers of an open interface unless scripted to fail.
intptr_t FakeGetAttributes(intptr_t handle, HiddAttributes* attributes) {
  Fake->calls.push_back("HidD_GetAttributes");
  if (Fake->hid_missing) return 0;
  if (!FakeHandleAnswers(handle)) return 0;
  const FakeInterface& device = Fake->interfaces[Fake->open_handles[handle]];
  if (device.attributes_fail) return 0;
  attributes->VendorID = device.vendor;
  attributes->ProductID = device.product;
  attributes->VersionNumber = device.version;
  return 1;
}

// Closes an open handle; counts closes of handles that are not open.
intptr_t FakeCloseHandle(intptr_t handle) {
  Fake->calls.push_back("CloseHandle");
  ++Fake->closes;
  if (Fake->open_handles.erase(handle) == 0) {
    ++Fake->bad_closes;
    return 0;
  }
  Fake->dead.erase(handle);
  if (Fake->accesses[handle] != 0) ++Fake->read_write_closes;
  return 1;
}

// Records the destroyed set.
intptr_t FakeDestroyInfoList(intptr_t set) {
  Fake->calls.push_back("SetupDiDestroyDeviceInfoList");
  Fake->destroyed.push_back(set);
  return set == FAKE_SET ? 1 : 0;
}

// Reads the framing of an open interface; false when it has none.
bool FakeGetFraming(intptr_t handle, HidFraming* framing) {
  const auto open = Fake->open_handles.find(handle);
  if (open == Fake->open_handles.end()) return false;
  *framing = Fake->interfaces[open->second].framing;
  return framing->input_length != 0 || framing->output_length != 0;
}

}  // namespace

// True while a handle is open on a present interface whose device instance has not gone.
bool FakeHandleAnswers(intptr_t handle) {
  const auto open = Fake->open_handles.find(handle);
  return open != Fake->open_handles.end() && Fake->interfaces[open->second].present &&
         Fake->dead.count(handle) == 0;
}

// Returns the error of the last failed CreateFileA.
uint32_t FakeLastError() {
  return Fake->last_error;
}

// Makes `fake` the current simulation.
void UseFakeSetupApi(FakeSetupApi* fake) {
  Fake = fake;
}

// Returns the platform table over the current simulation.
HidPlatform FakeHidPlatform() {
  return {FakeGetHidGuid, FakeGetClassDevs,         FakeEnumInterfaces, FakeGetInterfaceDetail,
          FakeCreateFile, FakeGetAttributes,        FakeCloseHandle,    FakeDestroyInfoList,
          FakeLastError,  Fake->detail_record_size, FakeGetFraming};
}
