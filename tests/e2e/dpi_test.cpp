// The window of quillomatic.exe on a screen of another DPI: the 96-dpi layout scaled, a
// ten-character value drawn at the scaled size and whole in its field; and a move to a screen
// of another DPI and back. Each program started sees the DPI that the prefix's LogPixels
// names when it starts, so each case sets it before starting the program and restores it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app_fixture.h"
#include "driver/screen.h"
#include "main_layout.h"

namespace e2e {
namespace {

constexpr const char* kDesktopKey = "Control Panel\\Desktop";

// Scales a 96-dpi pixel number.
int Scaled(int value, UINT dpi) {
  return MulDiv(value, static_cast<int>(dpi), 96);
}

// Returns ValueFont (bold Arial, 22 points) as made for a DPI.
LOGFONTA ValueFontAt(UINT dpi) {
  LOGFONTA font = {};
  font.lfHeight = -MulDiv(22, static_cast<int>(dpi), 72);
  font.lfWeight = FW_BOLD;
  font.lfCharSet = DEFAULT_CHARSET;
  lstrcpyA(font.lfFaceName, "Arial");
  return font;
}

class Dpi : public AppTest, public ::testing::WithParamInterface<UINT> {
 protected:
  void SetUp() override {
    DWORD size = sizeof saved_;
    had_value_ = RegGetValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", RRF_RT_REG_DWORD,
                              nullptr, &saved_, &size) == ERROR_SUCCESS;
  }
  void TearDown() override {
    AppTest::TearDown();
    if (had_value_) {
      RegSetKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", REG_DWORD, &saved_,
                      sizeof saved_);
    } else {
      RegDeleteKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels");
    }
  }

  // Starts the program on a screen of `dpi`.
  void StartAt(DWORD dpi) {
    ASSERT_EQ(
        RegSetKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", REG_DWORD, &dpi, sizeof dpi),
        ERROR_SUCCESS);
    Start();
  }

  // Expects the client area and every gadget's rectangle at the layout scaled to `dpi`.
  void ExpectLayoutAt(UINT dpi) {
    RECT client = {};
    GetClientRect(main_, &client);
    EXPECT_NEAR(client.right, Scaled(kClientWidth, dpi), 1) << "at " << dpi;
    EXPECT_NEAR(client.bottom, Scaled(kClientHeight, dpi), 1) << "at " << dpi;
    for (const GadgetRow& g : kGadgets) {
      SCOPED_TRACE("gadget " + std::to_string(g.id) + " at " + std::to_string(dpi) + " dpi");
      HWND w = g.id >= 0 ? FindControl(main_, g.id) : FindFrame(main_);
      ASSERT_NE(w, nullptr);
      const RECT r = RectInParent(w);
      const int left = Scaled(g.rect.left, dpi);
      const int top = Scaled(g.rect.top, dpi);
      EXPECT_NEAR(r.left, left, 1);
      EXPECT_NEAR(r.top, top, 1);
      EXPECT_NEAR(r.right, left + Scaled(g.rect.right - g.rect.left, dpi), 1);
      EXPECT_NEAR(r.bottom, top + Scaled(g.rect.bottom - g.rect.top, dpi), 1);
    }
  }

  // Expects `text` in ReceiveField drawn whole in ValueFont made for `dpi`: the ink of the same
  // text rendered here in that font, in count and extent, clear of the field's edges.
  void ExpectValueDrawnAt(UINT dpi, const char* text) {
    SCOPED_TRACE(std::string(text) + " at " + std::to_string(dpi) + " dpi");
    HWND field = Gadget(kReceiveField);
    const COLORREF blue = RGB(0, 0, 223);
    const COLORREF back = GetSysColor(COLOR_BTNHIGHLIGHT);
    const Pixels whole = RenderText(text, ValueFontAt(dpi), blue, back, 600, 120);
    const RECT want = whole.BoundsOf(blue);
    SetForegroundWindow(main_);
    // The field paints after its text or font is set, later under emulation.
    Pixels shot;
    ASSERT_TRUE(WaitUntil(
        [&] { return (shot = CaptureClient(field)).Count(blue) == whole.Count(blue); }, 3000))
        << shot.Count(blue) << " pixels of ink, " << whole.Count(blue) << " in the font";
    const RECT ink = shot.BoundsOf(blue);
    EXPECT_EQ(ink.right - ink.left, want.right - want.left);
    EXPECT_EQ(ink.bottom - ink.top, want.bottom - want.top);
    EXPECT_GT(ink.left, 0);
    EXPECT_LT(ink.right, shot.width);
  }

  // Returns the outer rectangle that gives the client area at `dpi`, moved by dx, dy. a suggested
  // outer rectangle at `dpi` must give.
  RECT SuggestedAt(UINT dpi, int dx, int dy) {
    RECT outer = {};
    RECT client = {};
    GetWindowRect(main_, &outer);
    GetClientRect(main_, &client);
    const int frame_w = (outer.right - outer.left) - client.right;
    const int frame_h = (outer.bottom - outer.top) - client.bottom;
    return RECT{outer.left + dx, outer.top + dy,
                outer.left + dx + Scaled(kClientWidth, dpi) + frame_w,
                outer.top + dy + Scaled(kClientHeight, dpi) + frame_h};
  }

  DWORD saved_ = 96;
  bool had_value_ = false;
};

TEST_P(Dpi, LayoutAndValueFollowTheScreensDpi) {
  const UINT dpi = GetParam();
  ASSERT_NO_FATAL_FAILURE(StartAt(dpi));
  ExpectLayoutAt(dpi);

  // The widest value, with its sign, must show whole at the scaled size.
  ASSERT_TRUE(WriteText(Gadget(kReceiveField), "-2147483648"));
  ExpectValueDrawnAt(dpi, "-2147483648");
}

// At 96 dpi Shell (shell_test.cpp) checks the rectangles and the value's ink exactly.
INSTANTIATE_TEST_SUITE_P(Screens, Dpi, ::testing::Values(144u, 120u));

class DpiChange : public Dpi {};

TEST_F(DpiChange, MovesToAnotherDpiAndBackWithoutLeakingFonts) {
  ASSERT_NO_FATAL_FAILURE(StartAt(96));
  // To 144 with a suggested rectangle 10 right and 20 down: the window takes it.
  RECT outer = {};
  GetWindowRect(main_, &outer);
  const RECT suggested = SuggestedAt(144, 10, 20);
  ASSERT_TRUE(SendDpiChange(main_, 144, &suggested));
  ExpectLayoutAt(144);
  RECT moved = {};
  GetWindowRect(main_, &moved);
  EXPECT_EQ(moved.left, outer.left + 10);
  EXPECT_EQ(moved.top, outer.top + 20);
  ExpectValueDrawnAt(144, "OFF");
  // Wine keeps a GDI object from the first whole paint of the frame at 144 dpi, which a trip
  // brings only now and then: the whole window is painted here, before the count is taken.
  ASSERT_TRUE(
      RedrawWindow(main_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW));

  // Back to 96 without a rectangle: it stays where it is, exact again.
  ASSERT_TRUE(SendDpiChange(main_, 96, nullptr));
  ExpectLayoutAt(96);
  ExpectValueDrawnAt(96, "OFF");
  GetWindowRect(main_, &outer);
  EXPECT_EQ(outer.left, moved.left);
  EXPECT_EQ(outer.top, moved.top);

  // The first trip has made what the platform keeps for later paints; from here on the
  // count must stay.
  const int gdi_before = GdiObjectsOf(app_->pid());
  ASSERT_GT(gdi_before, 0) << "cannot count the program's GDI objects";
  for (int i = 0; i < 10; ++i) {
    const RECT there = SuggestedAt(144, 0, 0);
    ASSERT_TRUE(SendDpiChange(main_, 144, &there));
    const RECT back = SuggestedAt(96, 0, 0);
    ASSERT_TRUE(SendDpiChange(main_, 96, &back));
  }
  ExpectLayoutAt(96);
  EXPECT_EQ(GdiObjectsOf(app_->pid()), gdi_before) << "GDI objects after ten round trips";
}

}  // namespace
}  // namespace e2e
