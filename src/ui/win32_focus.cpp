// Keyboard focus: movement for Tab and Shift+Tab inside the active window, and the control
// that each window gives the focus back to when it is activated again.
#include <windows.h>

#include <vector>

#include "ui/focus_order.h"
#include "ui/ui.h"
#include "ui/win32_layer.h"

namespace {

// Collects a descendant control that is enabled, visible and a tab stop.
BOOL CALLBACK CollectCandidate(HWND control, LPARAM list) {
  const LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
  if (IsWindowEnabled(control) && IsWindowVisible(control) && (style & WS_TABSTOP) != 0) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(control);
  }
  return TRUE;
}

}  // namespace

// Focuses the next (or previous) tab-stop control of the active window, wrapping around.
void MoveKeyboardFocus(HWND active, bool forward) {
  if (active == nullptr) return;
  std::vector<HWND> candidates;
  EnumChildWindows(active, CollectCandidate, reinterpret_cast<LPARAM>(&candidates));
  HWND focus = GetFocus();
  ptrdiff_t current = FOCUS_NONE;
  if (focus != nullptr && IsChild(active, focus)) {
    current = FOCUS_NOT_CANDIDATE;
    for (size_t i = 0; i < candidates.size(); ++i) {
      if (candidates[i] == focus) current = static_cast<ptrdiff_t>(i);
    }
  }
  const ptrdiff_t target = ChooseFocusTarget(candidates.size(), current, forward);
  if (target >= 0) SetFocus(candidates[static_cast<size_t>(target)]);
}

// Notes a control of a layer window as the one that the window gives the focus back to.
void NoteFocus(HWND control) {
  LayerState* layer = Layer();
  const int32_t number = WindowNumberOf(GetAncestor(control, GA_ROOT));
  WindowRecord* record = layer != nullptr && number != -1 ? layer->windows.Find(number) : nullptr;
  if (record != nullptr) record->focus = control;
}

// Focuses the control that last had the focus in a window, when it is still one of its own.
void GiveFocusBack(const WindowRecord* record) {
  if (record->focus != nullptr && IsChild(record->handle, record->focus)) SetFocus(record->focus);
}

// Gives a gadget the focus now when its window is active, else when the window is activated.
void FocusGadget(int32_t gadget) {
  LayerState* layer = Layer();
  GadgetRecord* record = layer != nullptr ? layer->gadgets.Find(gadget) : nullptr;
  if (record == nullptr) return;
  NoteFocus(record->handle);
  if (GetActiveWindow() == GetAncestor(record->handle, GA_ROOT)) SetFocus(record->handle);
}
