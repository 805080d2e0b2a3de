// Device interface notices: a window registered for a device interface class receives
// WM_DEVICECHANGE when an interface of that class arrives or is removed.
#include <windows.h>
#include <dbt.h>

#include <cstring>

#include "ui/ui.h"
#include "ui/win32_layer.h"

// The shipped 32-bit program's record size.
static_assert(sizeof(void*) != 4 || sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) == 32,
              "32-bit filter record");

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
