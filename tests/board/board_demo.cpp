// The demo behind scripts/run: the test board echoes (each output report comes back as an
// input report of its payload bytes 1 to 4), and quillomatic.exe runs against it through
// Wine's own HID stack. Alone it runs the program until its window closes. With --session it
// plays a short session: types 1234 into row 1, presses Digit, waits for the echo, prints
// "shown 1234", then waits for a line on standard input (time for a screenshot) and closes
// the program.
// Usage: board_demo QUILLOMATIC.EXE [--session]
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "board_client.h"
#include "driver/app_process.h"
#include "driver/gui_driver.h"

namespace {

// The gadgets the session uses: the status line, row 1's field and Digit button, the field
// that shows the values.
constexpr int kStatusLabel = 0;
constexpr int kRow1Field = 4;
constexpr int kRow1Digit = 13;
constexpr int kReceiveField = 12;

// Plays the session on the program's window; 0 when the echo was shown.
int PlaySession(e2e::AppProcess& app) {
  HWND main = e2e::FindMainWindow(app.pid(), "QUILLOMATIC", 15000);
  if (main == nullptr) {
    std::fprintf(stderr, "demo: no QUILLOMATIC window\n");
    return 1;
  }
  if (!e2e::WaitForText(e2e::FindControl(main, kStatusLabel), "Discovered device", 5000)) {
    std::fprintf(stderr, "demo: the board was not discovered\n");
    return 1;
  }
  // Digit puts D2 04 00 00 into payload bytes 1 to 4; the echo reads them back as 1234.
  HWND field = e2e::FindControl(main, kReceiveField);
  e2e::WriteText(e2e::FindControl(main, kRow1Field), "1234");
  e2e::Press(e2e::FindControl(main, kRow1Digit));
  if (!e2e::WaitForText(field, "1234", 5000)) {
    std::fprintf(stderr, "demo: the receive field shows %s\n", e2e::TextOf(field).c_str());
    return 1;
  }
  std::printf("shown %s\n", e2e::TextOf(field).c_str());
  std::fflush(stdout);
  std::string line;
  std::getline(std::cin, line);
  PostMessageA(main, WM_CLOSE, 0, 0);
  DWORD code = 1;
  return app.WaitExit(5000, &code) && code == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const bool session = argc == 3 && std::strcmp(argv[2], "--session") == 0;
  if (argc != 2 && !session) {
    std::fprintf(stderr, "usage: board_demo QUILLOMATIC.EXE [--session]\n");
    return 2;
  }
  board::Board board;
  if (!board.ok() || !board.Reset() || !board.Echo(true) || !board.Plug() ||
      board::WaitForBoardPath(5000).empty()) {
    std::fprintf(stderr, "demo: the test board is not there (%s)\n", BOARD_CONTROL_PATH);
    return 1;
  }
  e2e::AppProcess app(argv[1]);
  if (!app.started()) {
    std::fprintf(stderr, "demo: cannot start %s\n", argv[1]);
    return 1;
  }
  DWORD code = 0;
  const int result = session ? PlaySession(app) : (app.WaitExit(INFINITE, &code) ? 0 : 1);
  board.Reset();
  return result;
}
