// Report transfer and handle close: thin wrappers over ReadFile, WriteFile and CloseHandle, and
// whether a given-up write still runs on a handle.
#include <windows.h>

#include "hid/deferred_close.h"
#include "hid/hid.h"

// Reads one input report; stores the thread's last error in *error when given.
int32_t ReadHidDeviceFull(HidHandle handle, void* buffer, int32_t count, uint32_t* error) {
  if (handle == 0 || buffer == nullptr || count <= 0) return 0;
  DWORD transferred = 0;
  ReadFile(reinterpret_cast<HANDLE>(handle), buffer, static_cast<DWORD>(count), &transferred,
           nullptr);
  if (error != nullptr) *error = GetLastError();
  return static_cast<int32_t>(transferred);
}

// Reads one input report; returns the bytes read.
int32_t ReadHidDevice(HidHandle handle, void* buffer, int32_t count) {
  return ReadHidDeviceFull(handle, buffer, count, nullptr);
}

// Writes one output report; stores the thread's last error in *error when given.
int32_t WriteHidDeviceFull(HidHandle handle, const void* buffer, int32_t count, uint32_t* error) {
  if (handle == 0 || buffer == nullptr || count <= 0) return 0;
  DWORD transferred = 0;
  WriteFile(reinterpret_cast<HANDLE>(handle), buffer, static_cast<DWORD>(count), &transferred,
            nullptr);
  if (error != nullptr) *error = GetLastError();
  return static_cast<int32_t>(transferred);
}

// Writes one output report; returns the bytes written.
int32_t WriteHidDevice(HidHandle handle, const void* buffer, int32_t count) {
  return WriteHidDeviceFull(handle, buffer, count, nullptr);
}

// Closes a handle; returns CloseHandle's result, or 0 without a call for handle 0.
// NOTE: while a given-up bounded write still runs on the handle, the close is left to it.
int32_t CloseHidHandle(HidHandle handle) {
  if (handle == 0) return 0;
  if (DeferClose(handle)) return 1;
  return CloseHandle(reinterpret_cast<HANDLE>(handle)) ? 1 : 0;
}

// True while a bounded write that was given up still runs on the handle.
bool HidWriteStuck(HidHandle handle) {
  return HasStuckWrite(handle);
}
