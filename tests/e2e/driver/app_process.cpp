#include "app_process.h"

#include <tlhelp32.h>

#include <vector>

namespace e2e {

// Maps /a/b to Z:\a\b.
std::string WinePathOf(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  std::string out = "Z:" + path;
  for (char& c : out) {
    if (c == '/') c = '\\';
  }
  return out;
}

// Starts the program with the list file in its environment.
AppProcess::AppProcess(const std::string& exe, const std::string& list_file) {
  SetEnvironmentVariableA("QUILL_SIM_STATE", list_file.c_str());
  const std::string path = WinePathOf(exe);
  std::vector<char> cmd(path.begin(), path.end());
  cmd.insert(cmd.begin(), '"');
  cmd.push_back('"');
  cmd.push_back('\0');
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  if (!CreateProcessA(path.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &info_)) {
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

}  // namespace e2e
