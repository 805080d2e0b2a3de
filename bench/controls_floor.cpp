// The same-controls start-up floor: the program's window made plainly. It starts what the
// program starts (program_start.h), then creates the same window (caption, system menu,
// minimise box, a 280x300 client area centred on the screen, invisible until complete) and the
// same fifteen controls with the same classes, styles, texts and fonts directly with
// CreateWindowExA, with no object tables and no event queue, shows it titled
// "CONTROLS FLOOR" and runs a plain message loop until it is closed.
#include <windows.h>
#include <setupapi.h>

#include "program_start.h"
#include "startup_trace.h"

namespace {

// NOTE: the program links these at load; taking their addresses keeps setupapi.dll among the
// floor's imports, though it calls none of them.
auto* volatile g_linked_get_class_devs = &SetupDiGetClassDevsA;
auto* volatile g_linked_destroy_list = &SetupDiDestroyDeviceInfoList;

// One control of the program's window.
struct Control {
  const char* platform_class;
  int id;
  int x, y, width, height;
  const char* text;
  DWORD style;
  DWORD ex_style;
};

constexpr DWORD kLabel = 0x50020000 | SS_CENTER;
constexpr DWORD kButton = 0x50030000;
constexpr DWORD kField = 0x50030080;
constexpr DWORD kFrame = 0x50020007;
constexpr int kReceiveField = 12;

// The program's fifteen controls in its creation order.
constexpr Control kControls[] = {
    {"Static", 0, 4, 4, 182, 16, "No HID device", kLabel, 0},
    {"Button", 1, 35, 30, 60, 25, "Text", kButton, 0},
    {"Button", 11, 105, 30, 60, 25, "Hex", kButton, 0},
    {"Button", 13, 175, 30, 60, 25, "Digit", kButton, 0},
    {"Edit", 4, 35, 60, 200, 25, "12345678", kField, WS_EX_CLIENTEDGE},
    {"Button", 2, 35, 90, 60, 25, "Text", kButton, 0},
    {"Button", 21, 105, 90, 60, 25, "Hex", kButton, 0},
    {"Button", 23, 175, 90, 60, 25, "Digit", kButton, 0},
    {"Edit", 5, 35, 120, 200, 25, "56789ABC", kField, WS_EX_CLIENTEDGE},
    {"Button", 3, 35, 150, 60, 25, "Text", kButton, 0},
    {"Button", 31, 105, 150, 60, 25, "Hex", kButton, 0},
    {"Button", 33, 175, 150, 60, 25, "Digit", kButton, 0},
    {"Edit", 6, 35, 180, 200, 25, "ABCDEFGH", kField, WS_EX_CLIENTEDGE},
    {"Button", 0x01000000, 4, 210, 270, 90, "Recive", kFrame, 0},
    {"Edit", kReceiveField, 8, 235, 260, 50, "OFF", kField | ES_READONLY | ES_CENTER,
     WS_EX_CLIENTEDGE},
};

// Paints the receive field's text blue on the highlight colour; closes on request.
LRESULT CALLBACK FloorProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CTLCOLORSTATIC && GetDlgCtrlID(reinterpret_cast<HWND>(lp)) == kReceiveField) {
    HDC dc = reinterpret_cast<HDC>(wp);
    SetTextColor(dc, RGB(0, 0, 223));
    SetBkColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNHIGHLIGHT));
  }
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(w, msg, wp, lp);
}

// Returns bold Arial of 22 points for the display.
HFONT MakeValueFont() {
  HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  const int dpi = display != nullptr ? GetDeviceCaps(display, LOGPIXELSY) : 96;
  if (display != nullptr) DeleteDC(display);
  return CreateFontA(-MulDiv(22, dpi, 72), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, "Arial");
}

// Registers the class and creates the invisible window, centred; null on failure.
HWND MakeWindow(HINSTANCE instance) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = FloorProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "BenchControlsFloor";
  if (RegisterClassExA(&wc) == 0) return nullptr;
  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT r = {0, 0, 280, 300};
  AdjustWindowRectEx(&r, style, FALSE, 0);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  return CreateWindowExA(0, wc.lpszClassName, "CONTROLS FLOOR", style,
                         (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                         (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr,
                         nullptr, instance, nullptr);
}

}  // namespace

// Starts like the program, builds the window with its controls, shows it and runs the loop.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  MarkStartupStep("entry");
  const ProgramStart start = StartLikeTheProgram();
  HFONT value_font = MakeValueFont();
  MarkStartupStep("font");
  HWND w = MakeWindow(instance);
  if (w == nullptr) return 1;
  MarkStartupStep("window");
  const WPARAM gui_font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
  for (const Control& c : kControls) {
    HWND control =
        CreateWindowExA(c.ex_style, c.platform_class, c.text, c.style, c.x, c.y, c.width, c.height,
                        w, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
    SendMessageA(control, WM_SETFONT, gui_font, TRUE);
  }
  MarkStartupStep("controls");
  SendMessageA(GetDlgItem(w, kReceiveField), WM_SETFONT, reinterpret_cast<WPARAM>(value_font),
               TRUE);
  MarkStartupStep("field");
  ShowWindow(w, SW_SHOWNORMAL);
  MarkStartupStep("shown");
  MarkStartupStep("ready");
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  DeleteObject(value_font);
  EndLikeTheProgram(start);
  return static_cast<int>(msg.wParam);
}
