// The rule by which Tab and Shift+Tab choose the next control to focus.
#pragma once

#include <cstddef>

// Position of the current control among the candidates when it is not one of them.
constexpr ptrdiff_t FOCUS_NONE = -1;           // no control inside the active window has the focus
constexpr ptrdiff_t FOCUS_NOT_CANDIDATE = -2;  // the focused control is no candidate

// Returns the index of the candidate to focus among `count` candidates, given the current
// control's index (or FOCUS_NONE / FOCUS_NOT_CANDIDATE); -1 when the focus stays.
ptrdiff_t ChooseFocusTarget(size_t count, ptrdiff_t current, bool forward);
