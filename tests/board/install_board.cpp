// Installs the test board into the running Wine prefix: a root-enumerated device for the bus
// driver, whose INF also names the board's minidriver; then waits for the board's HID
// interface and prints its path. Exit code 0 once the interface is there.
// Usage: install_board.exe INF_PATH
#include <windows.h>
#include <newdev.h>
#include <setupapi.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "board_client.h"

namespace {

const wchar_t kBusHardwareId[] = L"root\\quillbus\0";

// Registers ROOT\QUILLBUS\0000 with the bus's hardware ID (nothing when it is registered).
bool RegisterBusDevice(const wchar_t* inf) {
  GUID klass;
  wchar_t class_name[MAX_CLASS_NAME];
  if (!SetupDiGetINFClassW(inf, &klass, class_name, MAX_CLASS_NAME, nullptr)) {
    std::printf("install_board: cannot read the INF's class (error %lu)\n", GetLastError());
    return false;
  }
  HDEVINFO set = SetupDiCreateDeviceInfoList(&klass, nullptr);
  if (set == INVALID_HANDLE_VALUE) return false;
  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof device;
  bool ok = true;
  if (SetupDiCreateDeviceInfoW(set, L"ROOT\\QUILLBUS\\0000", &klass, nullptr, nullptr, 0,
                               &device)) {
    ok = SetupDiSetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID,
                                           reinterpret_cast<const BYTE*>(kBusHardwareId),
                                           sizeof kBusHardwareId) &&
         SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device);
    if (!ok) std::printf("install_board: cannot register the bus (error %lu)\n", GetLastError());
  } else if (GetLastError() != ERROR_DEVINST_ALREADY_EXISTS) {
    std::printf("install_board: cannot create the bus device (error %lu)\n", GetLastError());
    ok = false;
  }
  SetupDiDestroyDeviceInfoList(set);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  // Unbuffered, so that the prefix's log keeps what it said even when it dies.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc != 2) {
    std::printf("usage: install_board INF_PATH\n");
    return 2;
  }
  std::wstring inf(argv[1], argv[1] + std::strlen(argv[1]));
  wchar_t full[MAX_PATH];
  GetFullPathNameW(inf.c_str(), MAX_PATH, full, nullptr);
  if (!RegisterBusDevice(full)) return 1;
  BOOL reboot = FALSE;
  if (!UpdateDriverForPlugAndPlayDevicesW(nullptr, kBusHardwareId, full, INSTALLFLAG_FORCE,
                                          &reboot)) {
    std::printf("install_board: driver install failed (error %lu)\n", GetLastError());
    return 1;
  }
  const std::string path = board::WaitForBoardPath(10000);
  if (path.empty()) {
    std::printf("install_board: no HID interface for the board within 10 s\n");
    return 1;
  }
  std::printf("board: %s\n", path.c_str());
  return 0;
}
