// Window flag decoding and placement of new windows.
#include "ui/window_flags.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowFlags, DecodesFlagsIntoStyleAndOptions) {
  struct Case {
    uint32_t flags;
    uint32_t style;
    uint32_t ex_style;
    bool centre_screen, centre_parent, container, invisible;
  };
  const Case cases[] = {
      // The main window: caption, system menu, minimise box, centred, invisible.
      {0x10CA0001, 0x00CA0000, 0, true, false, true, true},
      // Nothing but layer bits: a caption is added.
      {0x00000001, 0x00C00000, 0, true, false, true, false},
      {0x00000000, 0x00C00000, 0, false, false, true, false},
      {0x10000002, 0x00C00000, 0, false, true, true, true},
      // Bit 0x8 is removed before the caption rule.
      {0x00000008, 0x00C00000, 0, false, false, false, false},
      // Tool window: min/max bits removed, caption added, tool extended style.
      {0x21CB0004, 0x00C80000, 0x80, false, false, true, false},
      // Plain styles pass unchanged.
      {0x00CF0000, 0x00CF0000, 0, false, false, true, false},
  };
  for (const Case& c : cases) {
    const WindowFlags decoded = DecodeWindowFlags(c.flags);
    EXPECT_EQ(decoded.style, c.style) << std::hex << c.flags;
    EXPECT_EQ(decoded.ex_style, c.ex_style) << std::hex << c.flags;
    EXPECT_EQ(decoded.centre_screen, c.centre_screen) << std::hex << c.flags;
    EXPECT_EQ(decoded.centre_parent, c.centre_parent) << std::hex << c.flags;
    EXPECT_EQ(decoded.container, c.container) << std::hex << c.flags;
    EXPECT_EQ(decoded.invisible, c.invisible) << std::hex << c.flags;
  }
}

TEST(WindowFlags, PlacesWindows) {
  struct Case {
    uint32_t flags;
    int32_t x, y, width, height;
    bool has_over;
    Placement expected;
    bool use_default;
  };
  const Placement over{100, 50, 400, 300};
  const Case cases[] = {
      // Centred on a 1024x768 screen; the arguments are ignored.
      {0x1, 7, 9, 287, 333, false, {368, 217, 287, 333}, false},
      // Larger than the screen: limited to it first.
      {0x1, 0, 0, 2000, 900, false, {0, 0, 1024, 768}, false},
      // Centred over another window.
      {0x2, 0, 0, 200, 100, true, {200, 150, 200, 100}, false},
      // Over a smaller window near the corner: negative becomes 0.
      {0x2, 0, 0, 1000, 700, true, {0, 0, 1000, 700}, false},
      // Centring on a parent without any: the arguments are used.
      {0x2, 30, 40, 200, 100, false, {30, 40, 200, 100}, false},
      // Default position asked by -65535 in x or y.
      {0x0, -65535, 10, 200, 100, false, {-65535, 10, 200, 100}, true},
      {0x0, 10, -65535, 200, 100, false, {10, -65535, 200, 100}, true},
      {0x0, 10, 20, 200, 100, false, {10, 20, 200, 100}, false},
  };
  for (const Case& c : cases) {
    bool use_default = false;
    const Placement place = PlaceWindow(DecodeWindowFlags(c.flags), c.x, c.y, c.width, c.height,
                                        1024, 768, c.has_over, over, &use_default);
    EXPECT_EQ(place.x, c.expected.x) << c.flags << " " << c.width;
    EXPECT_EQ(place.y, c.expected.y) << c.flags << " " << c.width;
    EXPECT_EQ(place.width, c.expected.width) << c.flags << " " << c.width;
    EXPECT_EQ(place.height, c.expected.height) << c.flags << " " << c.width;
    EXPECT_EQ(use_default, c.use_default) << c.flags << " " << c.width;
  }
}

}  // namespace
