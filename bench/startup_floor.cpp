// The fair start-up floor: what the program cannot help doing before its window shows, and
// nothing more. It imports the same system DLLs (comctl32, gdi32, kernel32, msvcrt, ole32,
// setupapi, user32), carries the same manifest (common controls 6), starts common controls and
// COM, loads hid.dll then setupapi.dll from the system directory by full path, and shows an
// empty window titled "STARTUP FLOOR" with a 280x300 client area; runs until it is closed.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <setupapi.h>

#include <string>

namespace {

// NOTE: the program links these at load; taking their addresses keeps setupapi.dll and
// gdi32.dll among the floor's imports, though it calls none of them.
auto* volatile g_linked_get_class_devs = &SetupDiGetClassDevsA;
auto* volatile g_linked_destroy_list = &SetupDiDestroyDeviceInfoList;
auto* volatile g_linked_stock_object = &GetStockObject;

// Loads a library from the system directory by full path; returns its module or null.
HMODULE LoadFromSystemDirectory(const char* file) {
  char directory[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  std::string path(directory, length);
  if (path.back() != '\\') path += '\\';
  path += file;
  return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// Ends the message loop when the window goes; everything else is left to the default.
LRESULT CALLBACK FloorProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(w, msg, wp, lp);
}

}  // namespace

// Starts what the program starts, shows the empty window and runs the message loop.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls = {};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES;
  InitCommonControlsEx(&controls);
  InitCommonControls();
  CoInitialize(nullptr);
  HMODULE hid = LoadFromSystemDirectory("hid.dll");
  HMODULE setupapi = LoadFromSystemDirectory("setupapi.dll");

  WNDCLASSA wc = {};
  wc.lpfnWndProc = FloorProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "BenchStartupFloor";
  if (RegisterClassA(&wc) == 0) return 1;
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT r = {0, 0, 280, 300};
  AdjustWindowRect(&r, style, FALSE);
  HWND w =
      CreateWindowExA(0, wc.lpszClassName, "STARTUP FLOOR", style, CW_USEDEFAULT, CW_USEDEFAULT,
                      r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, nullptr);
  if (w == nullptr) return 1;
  ShowWindow(w, SW_SHOWNORMAL);
  UpdateWindow(w);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (setupapi != nullptr) FreeLibrary(setupapi);
  if (hid != nullptr) FreeLibrary(hid);
  CoUninitialize();
  return static_cast<int>(msg.wParam);
}
