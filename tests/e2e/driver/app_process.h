// Starting and ending the program under test from outside.
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

// Returns the Windows form (on drive Z:) of a Unix path; other paths are returned as given.
std::string WinePathOf(const std::string& path);

// Returns the number of threads that a process has now (0 when it cannot be seen).
int ThreadsOf(DWORD pid);

// Returns the number of GDI objects that a process holds now (-1 when it cannot be seen).
int GdiObjectsOf(DWORD pid);

// The program's process; a process still running when this goes is terminated.
class AppProcess {
 public:
  // Starts `exe`.
  explicit AppProcess(const std::string& exe);
  ~AppProcess();
  AppProcess(const AppProcess&) = delete;
  AppProcess& operator=(const AppProcess&) = delete;

  bool started() const { return info_.hProcess != nullptr; }
  // CreateProcessA's error when the start failed, else 0.
  DWORD start_error() const { return start_error_; }
  DWORD pid() const { return info_.dwProcessId; }
  // Waits for the process to end; true with its exit code if it did within `timeout_ms`.
  bool WaitExit(DWORD timeout_ms, DWORD* code);

 private:
  PROCESS_INFORMATION info_ = {};
  DWORD start_error_ = 0;
};

}  // namespace e2e
