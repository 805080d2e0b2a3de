// A simulated device and window for the application's host tests: the HID layer's lookup,
// opens, probes and closes are the program's own code over a simulated SetupAPI that the fake
// owns; the fake stands in for the transfers and the few window-layer calls the commands, the
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

#include "fake_setupapi.h"
#include "hid/hid.h"

namespace fake {

// An input report, ID byte included.
using Report = std::vector<uint8_t>;

// The path of the device's one interface, as its opens report it.
constexpr const char* kDevicePath =
    "\\\\?\\hid#vid_aaaa&pid_ef22#7&1a2b3c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";

// Resets the device, the window and every counter; the hand-over, monitor and globals too.
void Reset();

// Device side. The device's interface is kDevicePath, absent at first; more interfaces may be
// plugged.
void SetPresent(bool present);
// The simulated SetupAPI that holds the interfaces and their handles, to script directly.
FakeSetupApi& SetupApi();
// Returns the console's own framing: 9 bytes out and 5 in, no report ID.
HidFraming ConsoleFraming();
// Every interface of the device frames its reports so (at first the console's own framing).
void SetFraming(const HidFraming& framing);
// Read-write opens are refused, as when another program holds the device, after
// `opens_first` more succeed; the lookup still sees the device.
void SetOpenFails(bool fails, int opens_first = 0);
// Read-write opens fail for another reason than a refusal (the device is re-enumerating),
// after `opens_first` more succeed.
void SetOpenBroken(bool broken, int opens_first = 0);
// The interface arrives only after the next successful open, enumerated first.
void PlugInterfaceFirstAfterNextOpen(const std::string& path);
// Unplugs an interface: its handles die and it is no longer seen.
void UnplugInterface(const std::string& path);
// Returns the interface path a handle is open on, empty for none.
std::string PathOfHandle(HidHandle handle);
// Handle values are given out lowest free first, as the platform reuses closed ones.
void ReuseHandleValues(bool reuse);
// The device resets: it is present again at once, but every handle open on it is dead (its
// probes, reads and writes fail) and its queued reports are gone.
void Replug();
// The next `count` probes of an open handle fail although the device answers.
void FailNextProbes(int count);
// Queues an input report that the next read on any open handle returns; closing a handle
// drops the queued reports, as closing the platform's handle does.
void QueueReport(const Report& report);
// Makes reads that find no report fail at once with `error` instead of blocking.
void SetReadsFailAtOnce(bool fail, uint32_t error = 995);
// Makes every later write fail with `error` (0: writes succeed).
void SetWriteError(uint32_t error);
// Makes every later write be given up and keep running on its handle (false: writes end).
void SetWritesStick(bool stick);
// Writes the device has received, each as the bytes given.
std::vector<std::vector<uint8_t>> Writes();
// Handles opened and not yet closed, query-only ones too.
std::set<HidHandle> OpenHandles();
// Read-write handles opened and closed so far.
int OpenCount();
int CloseCount();
// Scans of the interfaces (ChooseHidDevice's) and checks of an open handle (CheckHidHandle)
// made so far.
int ScanCount();
int HandleCheckCount();
// Read-write opens tried so far, refused and failed ones too.
int ReadWriteOpenCount();
// The pauses of the presence monitor so far, in ms.
std::vector<uint32_t> Pauses();
// Faults seen: a read, write or check on a handle not open, a close of a handle with a read
// on it, a close of a handle not open, a probe behind a given-up write.
std::vector<std::string> Faults();
// Number of reads that have started.
int ReadsStarted();
// True while a read is blocked waiting for a report.
bool ReadInProgress();
// The handle a read is blocked on, 0 when none.
HidHandle ReadingHandle();

// Clock side: the presence clock stands still until advanced.
void AdvanceClock(uint64_t ms);

// Window side.
// Adds a device notice for the next TakeDeviceNotices with an 8-bit name field; a null name
// is a record without one.
void AddNotice(bool arrival, const char* name);
// The application events posted so far (PostApplicationEvent), and forgets them.
std::vector<int32_t> TakePostedEvents();
void SetFieldText(int32_t gadget, const std::string& text);
// Every PutGadgetText call as (gadget, text), in order.
std::vector<std::pair<int32_t, std::string>> TextsPut();
// Every ShowMessageBox call as "title|text|flags".
std::vector<std::string> MessageBoxes();

}  // namespace fake
