// The window procedure's side of device notices: each WM_DEVICECHANGE of interest is kept
// with its interface name until the application takes it.
#pragma once

#include <windows.h>

// Keeps one notice (an arrival, else a removal) with its record's name field, unless the
// record is of another kind or class; true when the caller is to post the one wake-up for it
// (none is outstanding).
bool KeepDeviceNotice(bool arrival, LPARAM record);
// The posted wake-up has been handled; the next notice posts a new one.
void DeviceNoticeWakeHandled();
