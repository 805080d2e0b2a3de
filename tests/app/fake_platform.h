// A simulated device and window for the application's host tests: stands in for the HID
// layer (lookup, open, transfer, close) and the few window-layer calls the commands, the
// presence monitor and the receive loop make.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "hid/hid.h"

namespace fake {

using Report = std::array<uint8_t, 5>;

// Resets the device, the window and every counter; the hand-over and globals too.
void Reset();

// Device side.
void SetPresent(bool present);
void SetOpenFails(bool fails);
// Queues an input report that the next read on any open handle returns.
void QueueReport(const Report& report);
// Makes reads that find no report fail at once with `error` instead of blocking.
void SetReadsFailAtOnce(bool fail, uint32_t error = 995);
// Makes every later write fail with `error` (0: writes succeed).
void SetWriteError(uint32_t error);
// Writes the device has received, each as the bytes given.
std::vector<std::vector<uint8_t>> Writes();
// Handles opened and not yet closed.
std::set<HidHandle> OpenHandles();
int OpenCount();
int CloseCount();
// Lookups (FindHidDevice) and checks of an open handle (CheckHidHandle) made so far.
int ScanCount();
int HandleCheckCount();
// Faults seen: a read on a handle not open, a close of a handle with a read on it, a close
// of a handle not open.
std::vector<std::string> Faults();
// Number of reads that have started.
int ReadsStarted();
// True while a read is blocked waiting for a report.
bool ReadInProgress();
// The handle a read is blocked on, 0 when none.
HidHandle ReadingHandle();

// Window side.
void SetFieldText(int32_t gadget, const std::string& text);
// Every PutGadgetText call as (gadget, text), in order.
std::vector<std::pair<int32_t, std::string>> TextsPut();
// Every ShowMessageBox call as "title|text|flags".
std::vector<std::string> MessageBoxes();

}  // namespace fake
