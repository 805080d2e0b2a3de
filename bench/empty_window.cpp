// The start-up baseline: a bare top-level window titled "EMPTY WINDOW" with a 280x300 client
// area and no children, shown at once; runs until the window is closed.
#include <windows.h>

namespace {

// Ends the message loop when the window goes; everything else is left to the default.
LRESULT CALLBACK EmptyProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(w, msg, wp, lp);
}

}  // namespace

// Registers the class, shows the window and runs the message loop; returns the quit code.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = EmptyProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "BenchEmptyWindow";
  if (RegisterClassA(&wc) == 0) return 1;
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT r = {0, 0, 280, 300};
  AdjustWindowRect(&r, style, FALSE);
  HWND w = CreateWindowExA(0, wc.lpszClassName, "EMPTY WINDOW", style, CW_USEDEFAULT, CW_USEDEFAULT,
                           r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, nullptr);
  if (w == nullptr) return 1;
  ShowWindow(w, SW_SHOWNORMAL);
  UpdateWindow(w);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
