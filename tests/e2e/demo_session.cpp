// A short scripted session for the demo screenshot: starts quillomatic.exe, types a value
// into row 1, presses Hex and waits for the echoed value; prints "shown TEXT", then waits
// for a line on standard input before it closes the program.
// Usage: demo_session QUILLOMATIC.EXE LIST_FILE
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>

#include "driver/app_process.h"
#include "driver/gui_driver.h"

// Runs the session; exit code 0 when the echoed value was shown and the program closed.
int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: demo_session QUILLOMATIC.EXE LIST_FILE\n");
    return 2;
  }
  e2e::AppProcess app(argv[1], argv[2]);
  HWND main = app.started() ? e2e::FindMainWindow(app.pid(), "QUILLOMATIC", 15000) : nullptr;
  if (main == nullptr) {
    std::fprintf(stderr, "demo: no QUILLOMATIC window\n");
    return 1;
  }
  HWND label = e2e::FindControl(main, 0);
  HWND field = e2e::FindControl(main, 12);
  if (!e2e::WaitForText(label, "Discovered device", 5000)) {
    std::fprintf(stderr, "demo: device not discovered\n");
    return 1;
  }
  // Hex puts 12 34 AB CD into payload bytes 1 to 4; the echo reads them little-endian.
  e2e::WriteText(e2e::FindControl(main, 4), "1234ABCD");
  e2e::Press(e2e::FindControl(main, 11));
  const std::string echoed = std::to_string(static_cast<int32_t>(0xCDAB3412u));
  if (!e2e::WaitForText(field, echoed, 5000)) {
    std::fprintf(stderr, "demo: receive field shows %s\n", e2e::TextOf(field).c_str());
    return 1;
  }
  std::printf("shown %s\n", echoed.c_str());
  std::fflush(stdout);
  std::string line;
  std::getline(std::cin, line);
  PostMessageA(main, WM_CLOSE, 0, 0);
  DWORD code = 1;
  return app.WaitExit(5000, &code) && code == 0 ? 0 : 1;
}
