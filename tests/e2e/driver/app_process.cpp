#include "app_process.h"

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

}  // namespace e2e
