#include "app_process.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <vector>

namespace e2e {

namespace {

// One entry of Wine's per-process GDI handle table (64-bit); an entry in use points to its
// object, a free one holds 0.
struct GdiHandleEntry {
  UINT64 object;
  ULONG owner;
  UCHAR type;
  UCHAR flags;
  UINT64 user;
};
static_assert(sizeof(GdiHandleEntry) == 24, "Wine's GDI handle entry");
constexpr size_t kGdiHandleEntries = 0x10000;
// Where a 64-bit process environment block keeps the address of the GDI handle table.
constexpr size_t kPebGdiHandleTable = 0xF8;

// Counts the entries in use of a 64-bit Wine process's GDI handle table; -1 when unreadable.
int WineGdiObjects(HANDLE process) {
  PROCESS_BASIC_INFORMATION basic = {};
  ULONG size = 0;
  if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, &size) !=
      0) {
    return -1;
  }
  UINT64 table = 0;
  const char* peb = reinterpret_cast<const char*>(basic.PebBaseAddress);
  if (!ReadProcessMemory(process, peb + kPebGdiHandleTable, &table, sizeof table, nullptr) ||
      table == 0) {
    return -1;
  }
  std::vector<GdiHandleEntry> entries(kGdiHandleEntries);
  if (!ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(),
                         entries.size() * sizeof(GdiHandleEntry), nullptr)) {
    return -1;
  }
  int count = 0;
  for (const GdiHandleEntry& entry : entries) {
    if (entry.object != 0) ++count;
  }
  return count;
}

}  // namespace

// Maps /a/b to Z:\a\b.
std::string WinePathOf(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  std::string out = "Z:" + path;
  for (char& c : out) {
    if (c == '/') c = '\\';
  }
  return out;
}

// Starts the program.
AppProcess::AppProcess(const std::string& exe) {
  const std::string path = WinePathOf(exe);
  std::vector<char> cmd(path.begin(), path.end());
  cmd.insert(cmd.begin(), '"');
  cmd.push_back('"');
  cmd.push_back('\0');
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  if (!CreateProcessA(path.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &info_)) {
    start_error_ = GetLastError();
    info_ = {};
  }
}

// Ends the process if the test left it running.
AppProcess::~AppProcess() {
  if (!started()) return;
  if (WaitForSingleObject(info_.hProcess, 0) != WAIT_OBJECT_0) {
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, 5000);
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

// Waits for the exit with a timeout.
bool AppProcess::WaitExit(DWORD timeout_ms, DWORD* code) {
  if (!started() || WaitForSingleObject(info_.hProcess, timeout_ms) != WAIT_OBJECT_0) {
    return false;
  }
  GetExitCodeProcess(info_.hProcess, code);
  return true;
}

// Counts the threads of a process in a Toolhelp snapshot.
int ThreadsOf(DWORD pid) {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snap == INVALID_HANDLE_VALUE) return 0;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL ok = Thread32First(snap, &entry); ok; ok = Thread32Next(snap, &entry)) {
    if (entry.th32OwnerProcessID == pid) ++count;
  }
  CloseHandle(snap);
  return count;
}

// Counts the process's GDI objects: GetGuiResources, or where that is not implemented (Wine)
// the entries in use in the process's own GDI handle table.
int GdiObjectsOf(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (process == nullptr) return -1;
  SetLastError(0);
  int count = static_cast<int>(GetGuiResources(process, GR_GDIOBJECTS));
  if (count == 0 && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) count = WineGdiObjects(process);
  CloseHandle(process);
  return count;
}

}  // namespace e2e
