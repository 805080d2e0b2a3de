// Keyboard focus movement for Tab and Shift+Tab inside the active window.
#include <windows.h>

#include <vector>

#include "ui/focus_order.h"
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
