#include "device_path.h"

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace devsim {

// Returns the pipe path of a device with the given tag and identifiers.
std::string MakeDevicePath(const std::string& tag, const DeviceIds& ids) {
  char tail[40];
  std::snprintf(tail, sizeof tail, "#vid_%04x&pid_%04x&rev_%04x", ids.vendor, ids.product,
                ids.version);
  return "\\\\.\\pipe\\quillsim-" + tag + tail;
}

// Parses the identifiers at the end of a name, in any case.
bool ParseDeviceIds(const std::string& name, DeviceIds* ids) {
  constexpr size_t kTail = 27;  // "#vid_vvvv&pid_pppp&rev_rrrr"
  if (name.size() < kTail) return false;
  std::string tail = name.substr(name.size() - kTail);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  unsigned v = 0, p = 0, r = 0;
  char end = 0;
  if (std::sscanf(tail.c_str(), "#vid_%4x&pid_%4x&rev_%4x%c", &v, &p, &r, &end) != 3) return false;
  ids->vendor = static_cast<uint16_t>(v);
  ids->product = static_cast<uint16_t>(p);
  ids->version = static_cast<uint16_t>(r);
  return true;
}

// Returns the list file's path from the environment or the fixed default.
std::string DeviceListPath() {
  char buf[MAX_PATH];
  DWORD n = GetEnvironmentVariableA("QUILL_SIM_STATE", buf, sizeof buf);
  if (n > 0 && n < sizeof buf) return std::string(buf, n);
  return "C:\\quillsim\\devices.txt";
}

// Reads one path per line, skipping empty lines.
std::vector<std::string> ReadDeviceList(const std::string& file) {
  std::vector<std::string> paths;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (!line.empty()) paths.push_back(line);
  }
  return paths;
}

// Returns the tally file beside a list file.
std::string EnumerationTally(const std::string& list_file) {
  return list_file + ".scans";
}

// Returns the held-devices file beside a list file.
std::string HeldList(const std::string& list_file) {
  return list_file + ".held";
}

// Appends one byte to the tally; its size is the number of enumerations.
void CountEnumeration() {
  HANDLE tally = CreateFileA(EnumerationTally(DeviceListPath()).c_str(), FILE_APPEND_DATA,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_ALWAYS, 0, nullptr);
  if (tally == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(tally, "e", 1, &written, nullptr);
  CloseHandle(tally);
}

// Writes the list to a temporary file and renames it over the old one.
bool WriteDeviceList(const std::string& file, const std::vector<std::string>& paths) {
  const std::string tmp = file + ".new";
  {
    std::ofstream out(tmp, std::ios::trunc);
    for (const std::string& p : paths) out << p << "\n";
    if (!out) return false;
  }
  return MoveFileExA(tmp.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

}  // namespace devsim
