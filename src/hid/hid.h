// HID device access: the system library binding, device lookup and open, report transfer.
// Handles are platform file handles carried as pointer-sized integers; 0 means none and the
// platform's INVALID_HANDLE_VALUE is never handed out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

using HidHandle = intptr_t;

// A version number that matches any VersionNumber.
constexpr uint16_t HID_ANY_VERSION = 0xFFFF;

// --- System library binding -------------------------------------------------------------

// Creates the (empty) LibraryTable; run once before InitHidAccess.
void CreateLibraryTable();
// Loads "hid.dll" from the system directory, then "setupapi.dll" by the same path for the
// functions reached by name (the exe also imports it, so the loader has it in already); always
// returns 0.
int32_t InitHidAccess();
// Loads a system library under a number (-1: automatic); returns its identifier or 0.
int32_t LoadSystemLibrary(int32_t number, const char* file);
// Returns the address of an exported function, or 0.
intptr_t GetLibraryFunction(int32_t library, const char* name);
// Calls an exported WINAPI function with `count` (0 to 20) pointer-sized arguments;
// returns its result, or 0 without a call when the function cannot be had.
intptr_t CallLibraryFunctionN(int32_t library, const char* name, int32_t count,
                              const intptr_t* args);
// Calls an exported WINAPI function by name with 0 to 20 arguments.
template <typename... Args>
intptr_t CallLibraryFunction(int32_t library, const char* name, Args... args) {
  static_assert(sizeof...(Args) <= 20, "at most 20 arguments");
  const intptr_t values[sizeof...(Args) + 1] = {(intptr_t)(args)..., 0};
  return CallLibraryFunctionN(library, name, (int32_t)sizeof...(Args), values);
}
// Frees one library and removes its entry.
void FreeSystemLibrary(int32_t library);
// Frees every library: numbered slots in number order, then automatic entries oldest first.
void FreeAllSystemLibraries();

// --- Lookup and open --------------------------------------------------------------------

// Returns 1 when a present HID interface matches (product, vendor, version), else 0.
// The version HID_ANY_VERSION matches any version. Leaves no handle open, and opens no
// interface for reading or writing. The first matching interface's path goes to *path when
// one is given.
int32_t FindHidDevice(uint16_t product, uint16_t vendor, uint16_t version,
                      std::string* path = nullptr);
// Opens the first matching interface for reading and writing; returns the handle or 0. The
// interface path that was opened goes to *path when one is given (the name that the
// platform's device notices use for it).
HidHandle OpenHidDevice(uint16_t product, uint16_t vendor, uint16_t version,
                        std::string* path = nullptr);
// The console's own reports, ID byte included: report ID 0 and 8 payload bytes out, the ID
// byte and a 4-byte value in.
constexpr uint16_t CONSOLE_OUTPUT_LENGTH = 9;
constexpr uint16_t CONSOLE_INPUT_LENGTH = 5;
// The longest report that the console writes or reads, ID byte included.
constexpr uint16_t MAX_REPORT_LENGTH = 1024;
// How an interface frames its reports, as its top-level collection declares them.
struct HidFraming {
  uint16_t input_length = 0;      // the input report's length, ID byte included
  uint16_t output_length = 0;     // the output report's length, ID byte included
  uint16_t usage_page = 0;        // the collection's usage page
  uint8_t output_report_id = 0;   // the output report's ID, 0 when it carries none
  uint8_t output_report_ids = 0;  // output report IDs declared: 0 (none), 1, or 2 (two or more)
};
// How an interface's framing fits the console's reports: exactly the console's own (9 bytes
// out and 5 in, ID byte included, no report ID); with room for them (an output report with
// room for the 8 payload bytes, an input report with room for the 4 value bytes, both at most
// MAX_REPORT_LENGTH, one output report ID at most); or neither.
enum class HidFit { kNeither, kRoom, kConsole };
// Returns how an interface's framing fits the console's reports.
HidFit FitOf(const HidFraming& framing);
// How ChooseHidDevice ended: no matching interface; one opened; some refused (another program
// holds them) and none opened; or none opened and none refused.
enum class HidChoice { kNone, kOpened, kRefused, kFailed };
// What ChooseHidDevice found: how it ended, and the path and framing of the interface kept.
struct HidChosen {
  HidChoice choice = HidChoice::kNone;
  std::string path;
  HidFraming framing;
};
// Tries every matching interface in enumeration order: one query-only open reads its
// identifiers and framing, and a matching one is opened for reading and writing. Keeps, in
// this order: the first that opens with the console's own framing; none while one with that
// framing is refused (another program holds it), so that it is waited for; the first that
// opens with room for the console's reports, a vendor-defined usage page before others; the
// first that opens. Returns the handle kept (the others are closed), or 0; *chosen says how
// it ended and what was kept.
HidHandle ChooseHidDevice(uint16_t product, uint16_t vendor, uint16_t version, HidChosen* chosen);
// Opens one interface path for reading and writing; returns the handle when the interface
// matches (product, vendor, version), else 0. When the open fails, *refused (when given) tells
// whether the interface is there but refuses to be opened for reading and writing, as one that
// another program holds does (sharing violation, access denied).
HidHandle OpenHidDeviceAt(const std::string& path, uint16_t product, uint16_t vendor,
                          uint16_t version, bool* refused = nullptr);
// Opens one interface path with query-only access; returns the handle when the interface
// matches (product, vendor, version), else 0. Such a handle carries no transfer, so a check on
// it never waits behind one, and it dies with the device it was opened on, whatever comes back
// at the same path later.
HidHandle OpenHidProbe(const std::string& path, uint16_t product, uint16_t vendor,
                       uint16_t version);
// Returns 1 when the device behind an open handle still answers and matches (product,
// vendor, version), else 0. Touches no other interface.
int32_t CheckHidHandle(HidHandle handle, uint16_t product, uint16_t vendor, uint16_t version);
// Fills 16 bytes with the HID interface class GUID; all zero without "hid.dll".
void FetchHidClassGuid(uint8_t* guid);

// --- Interface names ------------------------------------------------------------------

// True when an interface name could be a device's: it holds the vendor and product as a USB
// path does (vid_aaaa&pid_ef22) or a Bluetooth one (_vid&0002aaaa_pid&ef22), in any case.
bool NameCouldBeHidDevice(const std::string& name, uint16_t product, uint16_t vendor);
// True when two interface names are the same path; paths compare without regard to case.
bool SameInterfacePath(const std::string& a, const std::string& b);
// Reads the interface name of a device notice from its record's name field of `size` bytes,
// ANSI or UTF-16 (the wide record, which Wine hands even to an ANSI window), as 8-bit text;
// characters outside ASCII become '?'. False when the field holds no name: it is empty, or
// no terminator ends the name inside it.
bool ReadNoticeName(const char* field, size_t size, std::string* name);

// --- Transfer and close -----------------------------------------------------------------

// Reads one input report (count = report length with its ID byte); returns bytes read.
int32_t ReadHidDevice(HidHandle handle, void* buffer, int32_t count);
// ReadHidDevice that also stores the thread's last error in *error when error is not null.
int32_t ReadHidDeviceFull(HidHandle handle, void* buffer, int32_t count, uint32_t* error);
// Writes one output report (count = report length with its ID byte); returns bytes written.
int32_t WriteHidDevice(HidHandle handle, const void* buffer, int32_t count);
// WriteHidDevice that also stores the thread's last error in *error when error is not null.
int32_t WriteHidDeviceFull(HidHandle handle, const void* buffer, int32_t count, uint32_t* error);
// Waits up to limit_ms for a platform object (a thread, an event) to be signalled; returns
// true when it was. The caller chooses how its thread waits (a window thread keeps handling
// the messages sent to its windows).
using WaitForObjectFn = bool (*)(intptr_t object, uint32_t limit_ms);
// WriteHidDevice bounded in time: a write not complete within limit_ms is cancelled and
// gives 0. The calling thread waits for the write with `wait`. While a write given up on the
// handle still runs, the call fails at once. When error is not null it receives the write's
// error code: the platform's, ERROR_TIMEOUT (1460) for a write given up, ERROR_BUSY (170) for
// a call refused.
int32_t WriteHidDeviceWithin(HidHandle handle, const void* buffer, int32_t count, uint32_t limit_ms,
                             WaitForObjectFn wait, uint32_t* error = nullptr);
// Ends the writer thread that WriteHidDeviceWithin keeps between writes (at shutdown).
void StopHidWriter();
// True while a bounded write that was given up still runs on the handle: a query on the
// handle would wait behind it, as its synchronous I/O is serialised.
bool HidWriteStuck(HidHandle handle);
// Closes a handle; returns the platform's result, or 0 without a call for handle 0. While a
// bounded write that was given up still runs on the handle, the close is left to that write.
int32_t CloseHidHandle(HidHandle handle);
