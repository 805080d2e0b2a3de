// Tab and Shift+Tab focus order: wrap-around, no focus, and a focused non-candidate.
#include "ui/focus_order.h"

#include <gtest/gtest.h>

namespace {

TEST(FocusOrder, ChoosesTheTargetByTheRules) {
  struct Case {
    size_t count;
    ptrdiff_t current;
    bool forward;
    ptrdiff_t expected;
  };
  const Case cases[] = {
      {13, FOCUS_NONE, true, 0},            // Tab without focus: first
      {13, 0, true, 1},                     // Tab: next in order
      {13, 11, true, 12},                   //
      {13, 12, true, 0},                    // Tab from the last: wraps to the first
      {13, FOCUS_NOT_CANDIDATE, true, -1},  // focus on a non-candidate: stays
      {13, 5, false, 4},                    // Shift+Tab: previous
      {13, 0, false, 12},                   // Shift+Tab from the first: the last
      {13, FOCUS_NONE, false, 12},          // Shift+Tab without focus: the last
      {13, FOCUS_NOT_CANDIDATE, false, -1},
      {1, 0, true, 0},
      {1, 0, false, 0},
      {0, FOCUS_NONE, true, -1},  // nothing to focus
      {0, FOCUS_NONE, false, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseFocusTarget(c.count, c.current, c.forward), c.expected)
        << "count " << c.count << " current " << c.current << " forward " << c.forward;
  }
}

}  // namespace
