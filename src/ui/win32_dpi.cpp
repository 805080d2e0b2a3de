// The window's DPI and the one scale of the layout: every pixel number of a window and its
// gadgets is given for 96 dpi and scaled here; fonts are made for the same DPI.
#include <windows.h>

#include <algorithm>

#include "ui/ui.h"
#include "ui/win32_layer.h"

namespace {

// The DPI that the layout's pixel numbers are given for.
constexpr UINT LAYOUT_DPI = 96;
// The most layout passes that one DPI change and the changes it brings make.
constexpr int MAX_LAYOUT_PASSES = 4;

// GetDpiForWindow of user32 (Windows 10 1607 and later), reached by name.
using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

// Returns user32's GetDpiForWindow, null where the platform has none (Vista to Windows 8.1).
GetDpiForWindowFunction FindGetDpiForWindow() {
  static const GetDpiForWindowFunction function = reinterpret_cast<GetDpiForWindowFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  return function;
}

// Returns the stock default GUI font.
HFONT StockGuiFont() {
  return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// Gives every gadget of a window that uses `old_font` the font `new_font` instead.
void ReplaceGadgetFont(LayerState* layer, HWND window, HFONT old_font, HFONT new_font) {
  for (int32_t number : layer->gadgets.Names()) {
    GadgetRecord* gadget = layer->gadgets.Find(number);
    if (GetParent(gadget->handle) != window) continue;
    const HFONT used = reinterpret_cast<HFONT>(SendMessageA(gadget->handle, WM_GETFONT, 0, 0));
    if (used == old_font) {
      SendMessageA(gadget->handle, WM_SETFONT, reinterpret_cast<WPARAM>(new_font), TRUE);
    }
  }
}

// Makes the window's GUI font and every loaded font anew for a DPI and deletes the old ones.
// NOTE: loaded fonts are shared by all windows; they follow the window whose DPI changed.
void RemakeFonts(LayerState* layer, WindowRecord* record, UINT dpi) {
  const HFONT old_gui = record->gui_font;
  record->gui_font = GuiFontForDpi(dpi);
  ReplaceGadgetFont(layer, record->handle, old_gui, record->gui_font);
  if (old_gui != StockGuiFont()) {
    ReplaceGadgetFont(layer, record->handle, StockGuiFont(), record->gui_font);
  }
  ReleaseGuiFont(old_gui);
  for (int32_t number : layer->fonts.Names()) {
    FontRecord* font = layer->fonts.Find(number);
    const HFONT made = CreatePointFont(*font, dpi);
    if (made == nullptr) continue;
    ReplaceGadgetFont(layer, record->handle, font->handle, made);
    DeleteObject(font->handle);
    font->handle = made;
  }
}

// Moves every gadget of a window to its layout rectangle scaled to a DPI.
void PlaceGadgets(LayerState* layer, HWND window, UINT dpi) {
  for (int32_t number : layer->gadgets.Names()) {
    GadgetRecord* gadget = layer->gadgets.Find(number);
    if (GetParent(gadget->handle) != window) continue;
    const RECT r = ScaleRectToDpi(gadget->layout, dpi);
    const int32_t width = r.right - r.left;
    const int32_t height = r.bottom - r.top;
    if (gadget->kind->resize != nullptr) {
      gadget->kind->resize(gadget, r.left, r.top, width, height);
    } else {
      MoveWindow(gadget->handle, r.left, r.top, width, height, TRUE);
    }
  }
}

}  // namespace

// Returns the window's DPI: GetDpiForWindow where present, else LOGPIXELSY of the screen.
UINT WindowDpi(HWND window) {
  const GetDpiForWindowFunction get_dpi = FindGetDpiForWindow();
  const UINT dpi = get_dpi != nullptr ? get_dpi(window) : 0;
  return dpi != 0 ? dpi : ScreenDpi();
}

// Returns LOGPIXELSY of the screen, 96 when it cannot be read. The screen's (system) DPI is
// fixed for the life of a process, so it is read once.
UINT ScreenDpi() {
  static const UINT screen_dpi = [] {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : LAYOUT_DPI;
  }();
  return screen_dpi;
}

// Scales a 96-dpi pixel number to a DPI, rounding to the nearest pixel.
int32_t ScaleToDpi(int32_t value, UINT dpi) {
  return MulDiv(value, static_cast<int>(dpi), static_cast<int>(LAYOUT_DPI));
}

// Returns the DPI that new gadgets and fonts are made for: the gadget container's, else the
// screen's.
UINT LayoutDpi(LayerState* layer) {
  const WindowRecord* record = layer->windows.Find(WindowNumberOf(layer->container));
  return record != nullptr && record->handle == layer->container ? record->dpi : ScreenDpi();
}

// Scales a 96-dpi rectangle to a DPI edge by edge, so that the edges of neighbouring gadgets
// that meet at 96 dpi still meet.
RECT ScaleRectToDpi(const RECT& layout, UINT dpi) {
  return RECT{ScaleToDpi(layout.left, dpi), ScaleToDpi(layout.top, dpi),
              ScaleToDpi(layout.right, dpi), ScaleToDpi(layout.bottom, dpi)};
}

// Returns the GUI font for a DPI: the stock font is made for the screen's DPI, so only
// another DPI needs a font of its own, the stock one scaled.
HFONT GuiFontForDpi(UINT dpi) {
  const UINT screen_dpi = ScreenDpi();
  if (dpi == screen_dpi) return StockGuiFont();
  LOGFONTA description{};
  if (GetObjectA(StockGuiFont(), sizeof(description), &description) != sizeof(description)) {
    return StockGuiFont();
  }
  description.lfHeight =
      MulDiv(description.lfHeight, static_cast<int>(dpi), static_cast<int>(screen_dpi));
  const HFONT made = CreateFontIndirectA(&description);
  return made != nullptr ? made : StockGuiFont();
}

// Deletes a GUI font of GuiFontForDpi; the stock font is never deleted.
void ReleaseGuiFont(HFONT font) {
  if (font != nullptr && font != StockGuiFont()) DeleteObject(font);
}

// Makes a font from its record's face, size in points and flags for a DPI.
HFONT CreatePointFont(const FontRecord& font, UINT dpi) {
  const uint32_t flags = font.flags;
  return CreateFontA(-MulDiv(font.points, static_cast<int>(dpi), 72), 0, 0, 0,
                     (flags & 0x100) != 0 ? FW_BOLD : FW_NORMAL, (flags & 0x200) != 0,
                     (flags & 0x4) != 0, (flags & 0x8) != 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, (flags & 0x10) != 0 ? PROOF_QUALITY : DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, font.face);
}

// Resizes a window for an exact client area from its present frame, keeping its position.
void FitClientArea(HWND window, int32_t width, int32_t height) {
  RECT outer;
  RECT client;
  if (!GetWindowRect(window, &outer) || !GetClientRect(window, &client)) return;
  const int32_t frame_width = (outer.right - outer.left) - (client.right - client.left);
  const int32_t frame_height = (outer.bottom - outer.top) - (client.bottom - client.top);
  SetWindowPos(window, nullptr, 0, 0, width + frame_width, height + frame_height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

// Reads the work area of the monitor that a window is on (or nearest to); false when none.
bool WorkAreaOf(HWND window, RECT* work) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (!GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) return false;
  *work = monitor.rcWork;
  return true;
}

}  // namespace

// Returns the largest DPI up to `dpi` at which the 96-dpi client size and the present frame fit
// the work area, rounded down so that the scaled size does too; at least 96 dpi (or `dpi`).
UINT FittingDpi(const WindowRecord* record, UINT dpi) {
  RECT work, outer, client;
  if (record->layout_width <= 0 || record->layout_height <= 0 ||
      !WorkAreaOf(record->handle, &work) || !GetWindowRect(record->handle, &outer) ||
      !GetClientRect(record->handle, &client)) {
    return dpi;
  }
  const int32_t room_width = (work.right - work.left) - (outer.right - outer.left) + client.right;
  const int32_t room_height = (work.bottom - work.top) - (outer.bottom - outer.top) + client.bottom;
  const int32_t fit =
      std::min(room_width * static_cast<int32_t>(LAYOUT_DPI) / record->layout_width,
               room_height * static_cast<int32_t>(LAYOUT_DPI) / record->layout_height);
  if (fit >= static_cast<int32_t>(dpi)) return dpi;
  return std::max(static_cast<UINT>(std::max(fit, 0)), std::min(dpi, LAYOUT_DPI));
}

// Moves a window so that it lies on its monitor's work area, or starts at its top-left corner;
// a child window stays where its parent has it.
void KeepOnWorkArea(HWND window) {
  RECT work, outer;
  if ((GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD) != 0 || !WorkAreaOf(window, &work) ||
      !GetWindowRect(window, &outer)) {
    return;
  }
  const LONG left =
      std::max(work.left, std::min(outer.left, work.right - (outer.right - outer.left)));
  const LONG top =
      std::max(work.top, std::min(outer.top, work.bottom - (outer.bottom - outer.top)));
  if (left != outer.left || top != outer.top) {
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

namespace {

// Lays a window out for a DPI: the suggested rectangle, fonts, client area and gadgets at the
// DPI that fits the work area there, then the window onto the work area.
void LayOutForDpi(LayerState* layer, WindowRecord* record, UINT dpi, const RECT* suggested) {
  if (suggested != nullptr) {
    SetWindowPos(record->handle, nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  dpi = FittingDpi(record, dpi);
  record->dpi = dpi;
  RemakeFonts(layer, record, dpi);
  // The suggested rectangle fits the platform's frame at the new DPI; where the frame does
  // not change with the DPI, the size is mended so that the client area stays exact.
  const int32_t width = ScaleToDpi(record->layout_width, dpi);
  const int32_t height = ScaleToDpi(record->layout_height, dpi);
  RECT client;
  GetClientRect(record->handle, &client);
  if (client.right - client.left != width || client.bottom - client.top != height) {
    FitClientArea(record->handle, width, height);
  }
  PlaceGadgets(layer, record->handle, dpi);
  KeepOnWorkArea(record->handle);
}

}  // namespace

// Lays a window out again for a DPI. NOTE: the moves below can carry the window's centre back
// over a monitor edge, and the platform then sends WM_DPICHANGED from inside them; such a
// change is only noted there and laid out after this one (and so on for a change noted in that
// pass), so that fonts, client area and gadgets always share one DPI. A minimised window's
// rectangle is its icon's, so its change waits for the restore.
void FollowDpiChange(int32_t number, UINT dpi, const RECT* suggested) {
  LayerState* layer = Layer();
  WindowRecord* record = layer != nullptr ? layer->windows.Find(number) : nullptr;
  if (record == nullptr || dpi == 0) return;
  if (IsIconic(record->handle)) {
    record->iconic_dpi = dpi;
    return;
  }
  if (record->following_dpi) {
    record->noted_dpi = dpi;
    return;
  }
  record->following_dpi = true;
  record->noted_dpi = 0;
  LayOutForDpi(layer, record, dpi, suggested);
  // A change noted during a pass is laid out by the next one, until a pass notes none; a
  // window that the layout keeps carrying back and forth over an edge stops after a few, laid
  // out where it is for the DPI that it was told last, as any move could carry it back again.
  UINT told = dpi;
  for (int pass = 1; pass < MAX_LAYOUT_PASSES && record->noted_dpi != 0; ++pass) {
    const UINT noted = record->noted_dpi;
    record->noted_dpi = 0;
    if (noted != told) LayOutForDpi(layer, record, noted, nullptr);
    told = noted;
  }
  if (record->noted_dpi != 0 && record->noted_dpi != told) {
    record->dpi = FittingDpi(record, record->noted_dpi);
    RemakeFonts(layer, record, record->dpi);
    PlaceGadgets(layer, record->handle, record->dpi);
  }
  record->following_dpi = false;
}
