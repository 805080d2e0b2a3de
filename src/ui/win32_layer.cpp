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

const char* const WINDOW_TAG = "QuillWindowNumber";
const char* const GADGET_TAG = "QuillGadgetNumber";

// NOTE: a window property of 0 cannot be told from a missing one, so tags hold number + 1.
// Stores a number under a property name.
void SetTag(HWND window, const char* name, int32_t number) {
  SetPropA(window, name, reinterpret_cast<HANDLE>(static_cast<intptr_t>(number) + 1));
}

// Returns the number stored under a property name, or -1.
int32_t GetTag(HWND window, const char* name) {
  const intptr_t value = reinterpret_cast<intptr_t>(GetPropA(window, name));
  return value == 0 ? -1 : static_cast<int32_t>(value - 1);
}

}  // namespace

// Returns the layer's state, null while the layer is not started.
LayerState* Layer() {
  return g_layer.load();
}

// Tags a window with its window number; the first one becomes the application event window.
void TagWindow(HWND window, int32_t number) {
  SetTag(window, WINDOW_TAG, number);
  HWND none = nullptr;
  g_event_window.compare_exchange_strong(none, window);
}

// Returns the window that application events are posted to.
HWND ApplicationEventWindow() {
  return g_event_window.load();
}

// Tags a control with its gadget number.
void TagGadget(HWND control, int32_t number) {
  SetTag(control, GADGET_TAG, number);
}

// Removes a window's number tag; application events then have no window until the next.
void UntagWindow(HWND window) {
  RemovePropA(window, WINDOW_TAG);
  HWND expected = window;
  g_event_window.compare_exchange_strong(expected, nullptr);
}

// Removes a control's number tag.
void UntagGadget(HWND control) {
  RemovePropA(control, GADGET_TAG);
}

// Returns the window number tagged on a window, or -1.
int32_t WindowNumberOf(HWND window) {
  return window == nullptr ? -1 : GetTag(window, WINDOW_TAG);
}

// Returns the gadget record of a control whose id and tag agree; *number gets the number.
GadgetRecord* GadgetOfControl(HWND control, int32_t* number) {
  LayerState* layer = g_layer.load();
  if (layer == nullptr || control == nullptr) return nullptr;
  const int32_t tag = GetTag(control, GADGET_TAG);
  if (tag == -1) return nullptr;
  const int32_t id = static_cast<int32_t>(GetWindowLongPtrA(control, GWLP_ID));
  if (id != tag) return nullptr;
  GadgetRecord* gadget = layer->gadgets.Find(tag);
  if (gadget == nullptr || gadget->handle != control) return nullptr;
  *number = tag;
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
