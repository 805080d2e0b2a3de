// The latency floor: the least a program can do on the test board. It opens the device path
// given on its command line twice, shows every input report's value in an edit control (id 12)
// from a reader thread, and writes a 9-byte output report on the window thread when its
// button (id 1) is clicked. Window title "FLOOR WINDOW".
#include <windows.h>

#include <cstdint>
#include <string>

namespace {

HANDLE g_reader = INVALID_HANDLE_VALUE;
HANDLE g_writer = INVALID_HANDLE_VALUE;
HWND g_field = nullptr;

// Reads 5-byte input reports and shows each value; ends when the device goes.
DWORD WINAPI ReadReports(LPVOID) {
  uint8_t report[5];
  DWORD n = 0;
  while (ReadFile(g_reader, report, sizeof report, &n, nullptr) && n == sizeof report) {
    const uint32_t u =
        report[1] | report[2] << 8 | report[3] << 16 | static_cast<uint32_t>(report[4]) << 24;
    SetWindowTextA(g_field, std::to_string(static_cast<int32_t>(u)).c_str());
  }
  return 0;
}

// Writes one output report on a click; ends the loop when the window goes.
LRESULT CALLBACK FloorProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COMMAND && LOWORD(wp) == 1 && HIWORD(wp) == BN_CLICKED) {
    const uint8_t report[9] = {0, 'F', 'L', 'O', 'O', 'R', 0, 0, 0};
    DWORD n = 0;
    WriteFile(g_writer, report, sizeof report, &n, nullptr);
    return 0;
  }
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(w, msg, wp, lp);
}

}  // namespace

// Opens the device, builds the window and runs the message loop; returns the quit code.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
  if (command_line == nullptr || *command_line == 0) return 1;
  // A handle to read and one to write, as the program has.
  for (HANDLE* h : {&g_reader, &g_writer}) {
    *h = CreateFileA(command_line, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     nullptr, OPEN_EXISTING, 0, nullptr);
    if (*h == INVALID_HANDLE_VALUE) return 1;
  }
  WNDCLASSA wc = {};
  wc.lpfnWndProc = FloorProc;
  wc.hInstance = instance;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "BenchFloorWindow";
  if (RegisterClassA(&wc) == 0) return 1;
  HWND w = CreateWindowExA(0, wc.lpszClassName, "FLOOR WINDOW", WS_OVERLAPPEDWINDOW, 0, 0, 300, 340,
                           nullptr, nullptr, instance, nullptr);
  CreateWindowExA(0, "BUTTON", "Text", WS_CHILD | WS_VISIBLE, 35, 30, 60, 25, w,
                  reinterpret_cast<HMENU>(1), instance, nullptr);
  g_field = CreateWindowExA(0, "EDIT", "OFF", WS_CHILD | WS_VISIBLE | ES_READONLY, 8, 235, 260, 50,
                            w, reinterpret_cast<HMENU>(12), instance, nullptr);
  ShowWindow(w, SW_SHOWNORMAL);
  CreateThread(nullptr, 0, ReadReports, nullptr, 0, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
