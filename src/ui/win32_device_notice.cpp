// Device interface notices: a window registered for a device interface class receives
// WM_DEVICECHANGE when an interface of that class arrives or is removed. The notices are kept,
// with the interface names their records carry, until the application takes them.
#include "ui/win32_device_notice.h"

#include <dbt.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "ui/ui.h"
#include "ui/win32_layer.h"

// The records are the same on both builds; the shipped 32-bit program's sizes.
static_assert(sizeof(void*) != 4 || sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) == 32,
              "32-bit notice record");
static_assert(offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name) == 28, "name offset");

namespace {

// Notices kept until the application takes them; the 500 ms check catches any dropped.
constexpr size_t MAX_KEPT_NOTICES = 64;
// Longest interface name read from a record, in bytes.
constexpr size_t MAX_NOTICE_NAME = 1024;
constexpr size_t NAME_OFFSET = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);

// What the window procedure keeps between notices; main thread only.
struct NoticeState {
  std::vector<DeviceNoticeInfo> kept;
  bool wake_posted = false;
  bool class_known = false;
  GUID watched_class = {};
};

NoticeState& Notices() {
  static NoticeState* state = new NoticeState();
  return *state;
}

enum class RecordKind { kNone, kUnreadable, kInterface };

// Sorts a notice record: another kind of record, or another class, is none of the window's
// concern; a record that cannot be read (null, too short to say its kind or class) may still
// be about the watched class; the rest are interface records of that class, whose name field
// goes to *field.
RecordKind SortRecord(LPARAM lparam, std::string* field) {
  if (lparam == 0) return RecordKind::kUnreadable;
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lparam);
  if (header->dbch_size < sizeof(DEV_BROADCAST_HDR)) return RecordKind::kUnreadable;
  if (header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return RecordKind::kNone;
  if (header->dbch_size < NAME_OFFSET) return RecordKind::kUnreadable;
  const auto* record = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(lparam);
  const NoticeState& state = Notices();
  if (state.class_known &&
      std::memcmp(&record->dbcc_classguid, &state.watched_class, sizeof(GUID)) != 0) {
    return RecordKind::kNone;
  }
  // NOTE: the wide record (DEV_BROADCAST_DEVICEINTERFACE_W) has its name at the same offset.
  const size_t size = std::min<size_t>(record->dbcc_size - NAME_OFFSET, MAX_NOTICE_NAME);
  field->assign(reinterpret_cast<const char*>(lparam) + NAME_OFFSET, size);
  return RecordKind::kInterface;
}

}  // namespace

// Registers a window for the arrival and removal of a class's device interfaces.
intptr_t WatchDeviceInterfaces(int32_t window, const uint8_t* class_guid) {
  LayerState* layer = Layer();
  WindowRecord* record = layer != nullptr ? layer->windows.Find(window) : nullptr;
  if (record == nullptr || class_guid == nullptr) return 0;
  UnwatchDeviceInterfaces(window);
  DEV_BROADCAST_DEVICEINTERFACE_A filter = {};
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  std::memcpy(&filter.dbcc_classguid, class_guid, sizeof(filter.dbcc_classguid));
  record->device_notification =
      RegisterDeviceNotificationA(record->handle, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  NoticeState& state = Notices();
  state.watched_class = filter.dbcc_classguid;
  state.class_known = true;
  state.kept.clear();
  state.wake_posted = false;
  return reinterpret_cast<intptr_t>(record->device_notification);
}

// Ends a window's device interface notices, if it has any.
void UnwatchDeviceInterfaces(int32_t window) {
  LayerState* layer = Layer();
  WindowRecord* record = layer != nullptr ? layer->windows.Find(window) : nullptr;
  if (record == nullptr || record->device_notification == nullptr) return;
  UnregisterDeviceNotification(record->device_notification);
  record->device_notification = nullptr;
}

// Keeps one notice; true when the caller is to post the wake-up for it.
bool KeepDeviceNotice(bool arrival, LPARAM record) {
  NoticeState& state = Notices();
  DeviceNoticeInfo notice;
  notice.arrival = arrival;
  if (SortRecord(record, &notice.name_field) == RecordKind::kNone) return false;
  if (state.kept.size() < MAX_KEPT_NOTICES) state.kept.push_back(std::move(notice));
  if (state.wake_posted) return false;
  state.wake_posted = true;
  return true;
}

// The wake-up has been handled; the next notice posts a new one.
void DeviceNoticeWakeHandled() {
  Notices().wake_posted = false;
}

// Returns the notices kept so far and forgets them.
std::vector<DeviceNoticeInfo> TakeDeviceNotices() {
  std::vector<DeviceNoticeInfo> taken;
  taken.swap(Notices().kept);
  return taken;
}
