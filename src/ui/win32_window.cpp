// Windows of the layer: MakeWindow, SetWindowHidden and closing a window.
#include <windows.h>

#include "ui/ui.h"
#include "ui/win32_layer.h"
#include "ui/window_flags.h"

namespace {

// Returns the outer rectangle of a window as a Placement, false when there is none.
bool OuterPlacement(HWND window, Placement* placement) {
  RECT rect;
  if (window == nullptr || !GetWindowRect(window, &rect)) return false;
  *placement = Placement{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
  return true;
}

// Fills a window's two accelerator entries (Tab, Shift+Tab) and builds its table.
void BuildAccelerators(WindowRecord* record) {
  record->accelerators[0].fVirt = FVIRTKEY | FNOINVERT;
  record->accelerators[0].key = VK_TAB;
  record->accelerators[0].cmd = COMMAND_FOCUS_FORWARD;
  record->accelerators[1].fVirt = FVIRTKEY | FNOINVERT | FSHIFT;
  record->accelerators[1].key = VK_TAB;
  record->accelerators[1].cmd = COMMAND_FOCUS_BACKWARD;
  record->accelerator_table = CreateAcceleratorTableA(record->accelerators, 2);
}

}  // namespace

// Opens a window whose client area is width x height; returns handle, identifier or 0.
intptr_t MakeWindow(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                    const char* title, uint32_t flags, intptr_t parent) {
  LayerState* layer = Layer();
  if (layer == nullptr) return 0;
  if (number != AUTOMATIC_NUMBER && layer->windows.Find(number) != nullptr) {
    CloseLayerWindow(number);
  }
  int32_t assigned = 0;
  WindowRecord* record = layer->windows.Claim(number, &assigned);
  if (record == nullptr) return 0;

  HINSTANCE instance = GetModuleHandleA(nullptr);
  // NOTE: wsprintfA takes no buffer size; "QuillWindow" and a 32-bit number fit the name.
  static_assert(sizeof(record->class_name) >= sizeof("QuillWindow-2147483648"), "class name");
  wsprintfA(record->class_name, "QuillWindow%d", static_cast<int>(assigned));
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_DBLCLKS;
  window_class.lpfnWndProc = LayerWindowProcedure;
  window_class.hInstance = instance;
  window_class.hIcon = layer->icon;
  window_class.hCursor = layer->cursor;
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_BTNFACE + 1));
  window_class.lpszClassName = record->class_name;
  RegisterClassExA(&window_class);

  const WindowFlags decoded = DecodeWindowFlags(flags);
  // The window is made for the screen's DPI; its own DPI is known once it exists.
  const UINT first_dpi = ScreenDpi();
  RECT outer{0, 0, ScaleToDpi(width, first_dpi), ScaleToDpi(height, first_dpi)};
  AdjustWindowRectEx(&outer, decoded.style, FALSE, decoded.ex_style);
  HWND parent_window = reinterpret_cast<HWND>(parent);
  Placement over{0, 0, 0, 0};
  const bool has_over =
      OuterPlacement(parent_window != nullptr ? parent_window : GetActiveWindow(), &over);
  bool use_default = false;
  const Placement place = PlaceWindow(decoded, x, y, outer.right - outer.left,
                                      outer.bottom - outer.top, GetSystemMetrics(SM_CXSCREEN),
                                      GetSystemMetrics(SM_CYSCREEN), has_over, over, &use_default);

  HWND window = CreateWindowExA(decoded.ex_style, record->class_name, title != nullptr ? title : "",
                                decoded.style, use_default ? CW_USEDEFAULT : place.x,
                                use_default ? CW_USEDEFAULT : place.y, place.width, place.height,
                                parent_window, nullptr, instance, nullptr);
  if (window == nullptr) {
    UnregisterClassA(record->class_name, instance);
    layer->windows.Release(assigned);
    return 0;
  }
  record->handle = window;
  record->dpi = first_dpi;
  record->layout_width = width;
  record->layout_height = height;
  record->gui_font = GuiFontForDpi(first_dpi);
  TagWindow(window, assigned);
  // A window too large for the work area at its DPI is laid out for one at which it fits.
  const UINT dpi = WindowDpi(window);
  if (dpi != first_dpi || FittingDpi(record, dpi) != dpi) {
    FollowDpiChange(assigned, dpi, nullptr);
    // The fit keeps the top-left corner; a centred window is centred again at its new size.
    RECT fitted;
    if ((decoded.centre_screen || (decoded.centre_parent && has_over)) &&
        GetWindowRect(window, &fitted)) {
      const int32_t left = place.x + (place.width - (fitted.right - fitted.left)) / 2;
      const int32_t top = place.y + (place.height - (fitted.bottom - fitted.top)) / 2;
      SetWindowPos(window, nullptr, left < 0 ? 0 : left, top < 0 ? 0 : top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  KeepOnWorkArea(window);

  const bool maximised = (decoded.style & WS_MAXIMIZE) != 0;
  const bool minimised = (decoded.style & WS_MINIMIZE) != 0;
  if (!decoded.invisible) {
    ShowWindow(window, maximised ? SW_MAXIMIZE : minimised ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
  }
  if (maximised || minimised) record->minimised_or_maximised = true;
  BuildAccelerators(record);
  if (decoded.container) layer->container = window;
  return number == AUTOMATIC_NUMBER ? assigned : reinterpret_cast<intptr_t>(window);
}

// Shows (state 0) or hides a window; returns ShowWindow's result, 0 for no window.
intptr_t SetWindowHidden(int32_t number, int32_t state) {
  LayerState* layer = Layer();
  WindowRecord* record = layer != nullptr ? layer->windows.Find(number) : nullptr;
  if (record == nullptr) return 0;
  HWND window = record->handle;
  if (state != 0) {
    HWND owner = GetWindow(window, GW_OWNER);
    if (owner != nullptr) SetActiveWindow(owner);
    return ShowWindow(window, SW_HIDE);
  }
  const int command = IsZoomed(window)   ? SW_MAXIMIZE
                      : IsIconic(window) ? SW_SHOWMINIMIZED
                                         : SW_SHOWNORMAL;
  return ShowWindow(window, command);
}

// Closes a window with its gadgets, unregisters its class and frees its number.
void CloseLayerWindow(int32_t number) {
  LayerState* layer = Layer();
  WindowRecord* record = layer != nullptr ? layer->windows.Find(number) : nullptr;
  if (record == nullptr) return;
  UnwatchDeviceInterfaces(number);
  const WindowRecord closing = *record;
  HWND owner = GetWindow(closing.handle, GW_OWNER);
  if (owner != nullptr) SetActiveWindow(owner);
  DestroyWindow(closing.handle);
  UnregisterClassA(closing.class_name, GetModuleHandleA(nullptr));
  if (closing.accelerator_table != nullptr) DestroyAcceleratorTable(closing.accelerator_table);
  if (closing.background_brush != nullptr) DeleteObject(closing.background_brush);
  ReleaseGuiFont(closing.gui_font);
  if (layer->container == closing.handle) layer->container = nullptr;
  layer->windows.Release(number);
}
