// Layer start-up and shutdown, the layer's state, and the number tags of windows and controls.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <atomic>

#include "ui/ui.h"
#include "ui/win32_layer.h"

namespace {

// The running layer's state. NOTE: PutGadgetText may still run on another thread while the
// layer stops, so a stopped state is kept (retired) until the next start-up instead of being
// freed under that thread's feet.
std::atomic<LayerState*> g_layer{nullptr};
LayerState* g_retired = nullptr;
// The window that application events are posted to (see ApplicationEventWindow).
std::atomic<HWND> g_event_window{nullptr};

}  // namespace

// Returns the layer's state, null while the layer is not started.
LayerState* Layer() {
  return g_layer.load();
}

// Tags a window with its window number; the first one becomes the application event window.
// NOTE: the tag is the window's user data (number + 1, so that 0 is no tag): the platform reads
// it back from the process's own copy of the window, where a window property is asked of the
// system at every message.
void TagWindow(HWND window, int32_t number) {
  SetWindowLongPtrA(window, GWLP_USERDATA, static_cast<LONG_PTR>(number) + 1);
  HWND none = nullptr;
  g_event_window.compare_exchange_strong(none, window);
}

// Returns the window that application events are posted to.
HWND ApplicationEventWindow() {
  return g_event_window.load();
}

// Removes a window's number tag; application events then have no window until the next.
void UntagWindow(HWND window) {
  SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  HWND expected = window;
  g_event_window.compare_exchange_strong(expected, nullptr);
}

// Returns the window number tagged on a window whose record holds that window, or -1. Any
// other window's user data, whatever it holds, names no window of the layer.
int32_t WindowNumberOf(HWND window) {
  LayerState* layer = g_layer.load();
  if (layer == nullptr || window == nullptr) return -1;
  const int32_t number = static_cast<int32_t>(GetWindowLongPtrA(window, GWLP_USERDATA) - 1);
  const WindowRecord* record = number != -1 ? layer->windows.Find(number) : nullptr;
  return record != nullptr && record->handle == window ? number : -1;
}

// Returns the gadget record filed under a control's id that holds that control, else null;
// *number gets the number. The id is read from the process's own copy of the control.
GadgetRecord* GadgetOfControl(HWND control, int32_t* number) {
  LayerState* layer = g_layer.load();
  if (layer == nullptr || control == nullptr) return nullptr;
  const int32_t id = static_cast<int32_t>(GetWindowLongPtrA(control, GWLP_ID));
  GadgetRecord* gadget = id != -1 ? layer->gadgets.Find(id) : nullptr;
  if (gadget == nullptr || gadget->handle != control) return nullptr;
  *number = id;
  return gadget;
}

// Starts common controls, COM, the brush lock, the tables and the event state.
void StartWindowLayer() {
  if (g_layer != nullptr) return;
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES;
  InitCommonControlsEx(&controls);
  InitCommonControls();
  CoInitialize(nullptr);
  StartBrushCache();
  delete g_retired;
  g_retired = nullptr;
  auto* layer = new LayerState();
  layer->container_font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  layer->cursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  layer->icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1));
  g_layer = layer;
}

// Closes every window with its gadgets, deletes the fonts and ends the layer's support.
void StopWindowLayer() {
  LayerState* layer = g_layer.load();
  if (layer == nullptr) return;
  for (int32_t number : layer->windows.Names()) CloseLayerWindow(number);
  for (int32_t number : layer->fonts.Names()) {
    DeleteObject(layer->fonts.Find(number)->handle);
    layer->fonts.Release(number);
  }
  g_layer = nullptr;
  g_retired = layer;
  StopBrushCache();
  CoUninitialize();
}
