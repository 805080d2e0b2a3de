// The window of quillomatic.exe seen from outside with no device attached (in the board's
// prefix, with the test board off the bus): frame, gadgets, font and colours, keyboard focus
// order, a command without a device, and closing.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_fixture.h"
#include "board_client.h"
#include "driver/screen.h"
#include "main_layout.h"

namespace e2e {
namespace {

const int kTabOrder[] = {1, 11, 13, 4, 2, 21, 23, 5, 3, 31, 33, 6, 12};

class Shell : public AppTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(board_.ok()) << "no test board in this prefix";
    // A board still coming up is not taken off: that crashes Wine's driver host now and then.
    ASSERT_FALSE(board::WaitForBoardPath(5000).empty()) << "the board is not listed";
    ASSERT_TRUE(board_.Unplug());
    ASSERT_TRUE(WaitUntil([] { return board::BoardPath().empty(); }, 5000));
    Start();
  }
  void TearDown() override {
    AppTest::TearDown();
    board_.Plug();
  }

  // Returns the gadget number of the focused control, or -2 when the focus is elsewhere.
  int FocusedId() {
    HWND f = FocusIn(main_);
    return f != nullptr && GetParent(f) == main_ ? GetDlgCtrlID(f) : -2;
  }

  board::Board board_;
};

TEST_F(Shell, WindowHasFixedFrameAndClientSize) {
  char title[64] = {};
  GetWindowTextA(main_, title, sizeof title);
  EXPECT_STREQ(title, "QUILLOMATIC");
  RECT client = {};
  GetClientRect(main_, &client);
  EXPECT_EQ(client.right - client.left, 280);
  EXPECT_EQ(client.bottom - client.top, 300);
  const LONG style = GetWindowLongA(main_, GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_CHILD);
}

TEST_F(Shell, WindowBecomesVisibleOnlyWithAllItsGadgets) {
  EXPECT_EQ(children_at_first_sight_, sizeof kGadgets / sizeof kGadgets[0]);
}

TEST_F(Shell, GadgetsHaveTheirClassRectTextAndStyle) {
  std::vector<HWND> direct;
  for (HWND w : ChildrenOf(main_)) {
    if (GetParent(w) == main_) direct.push_back(w);
  }
  EXPECT_EQ(direct.size(), 15u);
  for (const GadgetRow& g : kGadgets) {
    SCOPED_TRACE("gadget " + std::to_string(g.id) + " " + g.text);
    HWND w = g.id >= 0 ? FindControl(main_, g.id) : FindFrame(main_);
    ASSERT_NE(w, nullptr);
    if (g.id < 0) {
      EXPECT_GE(static_cast<unsigned>(GetDlgCtrlID(w)), 0x01000000u);
    }
    EXPECT_EQ(ClassOf(w), g.cls);
    const RECT r = RectInParent(w);
    EXPECT_EQ(r.left, g.rect.left);
    EXPECT_EQ(r.top, g.rect.top);
    EXPECT_EQ(r.right, g.rect.right);
    EXPECT_EQ(r.bottom, g.rect.bottom);
    EXPECT_EQ(TextOf(w), g.text);
    const LONG style = GetWindowLongA(w, GWL_STYLE);
    EXPECT_EQ(style & g.style_set, g.style_set) << std::hex << style;
    EXPECT_EQ(style & g.style_clear, 0) << std::hex << style;
    if (std::string(g.cls) == "Button" && g.id >= 0) {
      EXPECT_EQ(style & 0xF, BS_PUSHBUTTON);
    }
  }
}

TEST_F(Shell, ReceiveFieldIsBoldArialInBlueOnHighlight) {
  HWND field = Gadget(kReceiveField);
  HDC screen = GetDC(nullptr);
  const int height = -MulDiv(22, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);

  LOGFONTA want = {};
  want.lfHeight = height;
  want.lfWeight = FW_BOLD;
  want.lfCharSet = DEFAULT_CHARSET;
  lstrcpyA(want.lfFaceName, "Arial");

  // The text's ink in the field, compared with the same text rendered here in the font.
  SetForegroundWindow(main_);
  ASSERT_TRUE(WaitForText(field, "OFF", 2000));
  const COLORREF blue = RGB(0, 0, 223);
  const COLORREF back = GetSysColor(COLOR_BTNHIGHLIGHT);
  // Same engine, same colours: the ink of the right font matches pixel for pixel in count
  // and extent; the regular weight and a smaller size show that the comparison can tell.
  auto render = [&](const LOGFONTA& f) { return RenderText("OFF", f, blue, back, 200, 80); };
  const Pixels bold = render(want);
  LOGFONTA regular = want;
  regular.lfWeight = FW_NORMAL;
  LOGFONTA smaller = want;
  smaller.lfHeight = want.lfHeight + 3;
  ASSERT_NE(render(regular).Count(blue), bold.Count(blue));
  ASSERT_NE(render(smaller).Count(blue), bold.Count(blue));
  // The text reaches the screen when the field has painted, later under emulation.
  Pixels shot;
  ASSERT_TRUE(WaitUntil(
      [&] { return (shot = CaptureClient(field)).Count(blue) == bold.Count(blue); }, 3000))
      << shot.Count(blue) << " pixels in 0xDF0000, " << bold.Count(blue) << " in the font";
  EXPECT_EQ(shot.At(3, 3), back);
  EXPECT_EQ(shot.At(shot.width - 4, shot.height - 4), back);
  EXPECT_GT(shot.Count(back), shot.width * shot.height / 2);
  const RECT ink = shot.BoundsOf(blue);
  const RECT bold_ink = bold.BoundsOf(blue);
  EXPECT_EQ(ink.right - ink.left, bold_ink.right - bold_ink.left);
  EXPECT_EQ(ink.bottom - ink.top, bold_ink.bottom - bold_ink.top);
}

TEST_F(Shell, TabMovesFocusInCreationOrderBothWays) {
  // A click into row 1's field puts the focus there without running a command.
  HWND field = Gadget(4);
  PostMessageA(field, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageA(field, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  ASSERT_TRUE(WaitUntil([&] { return FocusedId() == 4; }, 3000)) << "focus " << FocusedId();
  // NOTE: posted keys do not change the key state; sharing the program's input state lets
  // this thread hold Shift down for it.
  const DWORD app_thread = GetWindowThreadProcessId(main_, nullptr);
  ASSERT_TRUE(AttachThreadInput(GetCurrentThreadId(), app_thread, TRUE));
  auto tab = [&](bool shift) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    HWND focus = FocusIn(main_);
    PostMessageA(focus != nullptr ? focus : main_, WM_KEYDOWN, VK_TAB, 0x000F0001);
    PostMessageA(focus != nullptr ? focus : main_, WM_KEYUP, VK_TAB, 0xC00F0001);
  };
  const int n = sizeof kTabOrder / sizeof kTabOrder[0];
  const int start = 3;  // field 4
  for (int i = 1; i <= n; ++i) {
    const int want = kTabOrder[(start + i) % n];
    tab(false);
    EXPECT_TRUE(WaitUntil([&] { return FocusedId() == want; }, 3000))
        << "after Tab " << i << " want " << want << " got " << FocusedId();
  }
  for (int i = 1; i <= n; ++i) {
    const int want = kTabOrder[((start - i) % n + n) % n];
    tab(true);
    EXPECT_TRUE(WaitUntil([&] { return FocusedId() == want; }, 3000))
        << "after Shift+Tab " << i << " want " << want << " got " << FocusedId();
  }
  tab(false);
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  AttachThreadInput(GetCurrentThreadId(), app_thread, FALSE);
}

TEST_F(Shell, SpaceOnAFocusedButtonRunsItsCommand) {
  // Row 1's field, then Tab: the focus is on row 2's "Text" button.
  HWND field = Gadget(4);
  PostMessageA(field, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageA(field, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  ASSERT_TRUE(WaitUntil([&] { return FocusedId() == 4; }, 3000));
  PostMessageA(field, WM_KEYDOWN, VK_TAB, 0x000F0001);
  PostMessageA(field, WM_KEYUP, VK_TAB, 0xC00F0001);
  ASSERT_TRUE(WaitUntil([&] { return FocusedId() == 2; }, 3000)) << "focus " << FocusedId();
  HWND button = Gadget(2);
  PostMessageA(button, WM_KEYDOWN, VK_SPACE, 0x00390001);
  PostMessageA(button, WM_KEYUP, VK_SPACE, 0xC0390001);
  HWND box = FindMessageBox(app_->pid(), 5000);
  ASSERT_NE(box, nullptr) << "space on the button ran no command";
  EXPECT_EQ(MessageBoxText(box), "No HID device");
  EXPECT_TRUE(DismissMessageBox(box, 5000));
}

TEST_F(Shell, ClosesWithCodeZero) {
  ExpectCloseEndsWithCodeZero();
}

}  // namespace
}  // namespace e2e
