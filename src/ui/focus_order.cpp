// Keyboard focus order: forward and backward with wrap-around.
#include "ui/focus_order.h"

// Returns the candidate index to focus, -1 to leave the focus where it is.
ptrdiff_t ChooseFocusTarget(size_t count, ptrdiff_t current, bool forward) {
  if (count == 0 || current == FOCUS_NOT_CANDIDATE) return -1;
  const ptrdiff_t last = static_cast<ptrdiff_t>(count) - 1;
  if (forward) {
    if (current == FOCUS_NONE || current >= last) return 0;
    return current + 1;
  }
  if (current <= 0) return last;
  return current - 1;
}
