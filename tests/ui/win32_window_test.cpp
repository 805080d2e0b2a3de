// Windows, gadgets, fonts and colours of the Win32 layer, in-process.
#include <windows.h>

#include <gtest/gtest.h>

#include "ui/ui.h"
#include "ui/win32_layer.h"
#include "win32_test_support.h"

namespace {

// The answer and the device context's colours after a control-colour request.
struct ColourAnswer {
  LRESULT brush;
  COLORREF text;
  COLORREF background;
};

// Sends a control-colour request for a control to a window; returns what it answered.
ColourAnswer AskColours(HWND window, UINT message, HWND control) {
  HDC dc = GetDC(control);
  SetTextColor(dc, RGB(1, 2, 3));
  SetBkColor(dc, RGB(4, 5, 6));
  const LRESULT brush = SendMessageA(window, message, reinterpret_cast<WPARAM>(dc),
                                     reinterpret_cast<LPARAM>(control));
  ColourAnswer answer{brush, GetTextColor(dc), GetBkColor(dc)};
  ReleaseDC(control, dc);
  return answer;
}

using WindowLayerTest = LayerTest;

TEST_F(WindowLayerTest, InvisibleWindowHasExactClientAreaAndFixedFrame) {
  HWND window = reinterpret_cast<HWND>(MakeWindow(1, 0, 0, 280, 300, "QUILLOMATIC", 0x10CA0001));
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(IsWindowVisible(window));
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right - client.left, 280);
  EXPECT_EQ(client.bottom - client.top, 300);
  const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
            WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
  SetWindowHidden(1, 0);
  EXPECT_TRUE(IsWindowVisible(window));
  SetWindowHidden(1, 1);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(SetWindowHidden(77, 0), 0);
}

// A centred window's middle is the screen's, to the pixel that halving leaves over. At 288 dpi,
// where it would be taller than the 768-pixel screen, it is laid out smaller, on the work area
// with the receive field in its client area.
TEST_F(WindowLayerTest, CentredWindowLiesInTheMiddleOfTheScreenAndOnTheWorkArea) {
  RECT outer;
  GetWindowRect(window_, &outer);
  EXPECT_NEAR(outer.left + outer.right, GetSystemMetrics(SM_CXSCREEN), 1);
  EXPECT_NEAR(outer.top + outer.bottom, GetSystemMetrics(SM_CYSCREEN), 1);
  HWND field = reinterpret_cast<HWND>(MakeTextField(12, 8, 235, 260, 50, "OFF", 0x801));
  FollowDpiChange(0, 288, nullptr);
  MONITORINFO monitor{sizeof(monitor), {}, {}, 0};
  GetMonitorInfoA(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor);
  RECT client, shown, inside;
  GetWindowRect(window_, &outer);
  GetClientRect(window_, &client);
  GetWindowRect(field, &shown);
  MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&shown), 2);
  EXPECT_TRUE(IntersectRect(&inside, &outer, &monitor.rcWork) && EqualRect(&inside, &outer))
      << "window bottom " << outer.bottom << ", work area's " << monitor.rcWork.bottom;
  EXPECT_TRUE(IntersectRect(&inside, &shown, &client) && EqualRect(&inside, &shown))
      << "field bottom " << shown.bottom << ", client area's " << client.bottom;
}

TEST_F(WindowLayerTest, ReusingAWindowNumberClosesTheOldWindow) {
  HWND second = reinterpret_cast<HWND>(MakeWindow(0, 0, 0, 100, 100, "again", 0x1));
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_TRUE(IsWindow(second));
  const intptr_t automatic = MakeWindow(-1, 0, 0, 50, 50, "auto", 0x10000001);
  EXPECT_GE(automatic, FIRST_AUTOMATIC_IDENTIFIER);
  EXPECT_NE(SetWindowHidden(static_cast<int32_t>(automatic), 0), 1);
}

TEST_F(WindowLayerTest, FontFlagsGiveWeightAndStyleAndReloadingDeletesTheOld) {
  const intptr_t font = MakeFont(2, "Arial", 22, 256);
  ASSERT_NE(font, 0);
  EXPECT_EQ(FontHandleOf(2), font);
  LOGFONTA description{};
  ASSERT_EQ(GetObjectA(reinterpret_cast<HFONT>(font), sizeof(description), &description),
            static_cast<int>(sizeof(description)));
  EXPECT_EQ(description.lfWeight, FW_BOLD);
  EXPECT_FALSE(description.lfItalic);
  // Reloading the number deletes the old font.
  const intptr_t again = MakeFont(2, "Arial", 10, 0x200 | 0x4);
  EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(font)), 0u);
  GetObjectA(reinterpret_cast<HFONT>(again), sizeof(description), &description);
  EXPECT_EQ(description.lfWeight, FW_NORMAL);
  EXPECT_TRUE(description.lfItalic);
  EXPECT_TRUE(description.lfUnderline);
  EXPECT_EQ(FontHandleOf(3), 0);
}

TEST_F(WindowLayerTest, GadgetsGetTheirNumberAsIdAndTheirBaseStyles) {
  struct Case {
    intptr_t handle;
    int32_t number;
    const char* platform_class;
    LONG_PTR style;
    LONG_PTR ex_edge;
  };
  const Case cases[] = {
      {MakeLabel(0, 4, 4, 182, 16, "No HID device", 1), 0, "Static", 0x50020001, 0},
      {MakeButton(1, 35, 30, 60, 25, "Text"), 1, "Button", 0x50030000, 0},
      {MakeTextField(4, 35, 60, 200, 25, "12345678"), 4, "Edit", 0x50030080, WS_EX_CLIENTEDGE},
      {MakeTextField(12, 8, 235, 260, 50, "OFF", 0x801), 12, "Edit", 0x50030881, WS_EX_CLIENTEDGE},
  };
  for (const Case& c : cases) {
    HWND control = reinterpret_cast<HWND>(c.handle);
    ASSERT_TRUE(IsWindow(control)) << c.number;
    EXPECT_EQ(GetParent(control), window_);
    EXPECT_EQ(GetWindowLongPtrA(control, GWLP_ID), c.number);
    char name[32] = {};
    GetClassNameA(control, name, sizeof(name));
    EXPECT_STRCASEEQ(name, c.platform_class);
    EXPECT_EQ(GetWindowLongPtrA(control, GWL_STYLE) & c.style, c.style) << c.number;
    EXPECT_EQ(GetWindowLongPtrA(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, c.ex_edge) << c.number;
  }
  const intptr_t frame = MakeFrame(-1, 4, 210, 270, 90, "Recive");
  ASSERT_GE(frame, FIRST_AUTOMATIC_IDENTIFIER);
  EXPECT_EQ(FetchGadgetText(static_cast<int32_t>(frame)), "Recive");
  EXPECT_EQ(GetDlgItem(window_, static_cast<int>(frame)) != nullptr, true);
}

TEST_F(WindowLayerTest, ReusingAGadgetNumberDestroysTheOldControl) {
  HWND first = reinterpret_cast<HWND>(MakeButton(7, 0, 0, 60, 25, "old"));
  HWND second = reinterpret_cast<HWND>(MakeTextField(7, 0, 30, 60, 25, "new"));
  EXPECT_FALSE(IsWindow(first));
  EXPECT_TRUE(IsWindow(second));
  EXPECT_EQ(FetchGadgetText(7), "new");
  PutGadgetText(7, "changed");
  char text[16] = {};
  GetWindowTextA(second, text, sizeof(text));
  EXPECT_STREQ(text, "changed");
}

TEST_F(WindowLayerTest, TextsOfMissingGadgetsAndNullTexts) {
  MakeTextField(5, 0, 0, 100, 25, "56789ABC");
  EXPECT_EQ(FetchGadgetText(5), "56789ABC");
  PutGadgetText(5, nullptr);
  EXPECT_EQ(FetchGadgetText(5), "");
  EXPECT_EQ(FetchGadgetText(6), "");
  EXPECT_EQ(FetchGadgetText(1000), "");
  PutGadgetText(6, "nothing there");
  EXPECT_EQ(FetchGadgetText(6), "");
  HWND label = reinterpret_cast<HWND>(MakeLabel(8, 0, 0, 10, 10, nullptr, 0));
  EXPECT_EQ(GetWindowTextLengthA(label), 0);
}

TEST_F(WindowLayerTest, GadgetFontsAndTheDefaultGuiFont) {
  HFONT default_font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  HWND before = reinterpret_cast<HWND>(MakeButton(1, 0, 0, 60, 25, "Text"));
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(before, WM_GETFONT, 0, 0)), default_font);
  const intptr_t font = MakeFont(2, "Arial", 22, 256);
  ApplyGadgetFont(1, font);
  EXPECT_EQ(SendMessageA(before, WM_GETFONT, 0, 0), font);
  ApplyGadgetFont(-1, font);
  HWND after = reinterpret_cast<HWND>(MakeButton(2, 0, 30, 60, 25, "Text"));
  EXPECT_EQ(SendMessageA(after, WM_GETFONT, 0, 0), font);
  ApplyGadgetFont(2, -1);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(after, WM_GETFONT, 0, 0)), default_font);
}

TEST_F(WindowLayerTest, ReadOnlyFieldWithFrontColourPaintsOnHighlight) {
  HWND field = reinterpret_cast<HWND>(MakeTextField(12, 8, 235, 260, 50, "OFF", 0x801));
  ApplyGadgetColour(12, 1, 0xDF0000);
  const ColourAnswer answer = AskColours(window_, WM_CTLCOLORSTATIC, field);
  EXPECT_NE(answer.brush, 0);
  EXPECT_EQ(answer.text, 0xDF0000u);
  EXPECT_EQ(answer.background, GetSysColor(COLOR_BTNHIGHLIGHT));
  // A disabled field keeps the platform's colours.
  EnableWindow(field, FALSE);
  EXPECT_NE(AskColours(window_, WM_CTLCOLORSTATIC, field).text, 0xDF0000u);
}

TEST_F(WindowLayerTest, LabelAndFieldColourAnswers) {
  struct Case {
    bool field;
    int32_t front;
    int32_t back;
    UINT message;
    bool answered;
    COLORREF background;
  };
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
  const Case cases[] = {
      {false, 0x0000FF, -1, WM_CTLCOLORSTATIC, true, face},
      {false, -1, 0x00FF00, WM_CTLCOLORSTATIC, true, 0x00FF00},
      {false, 0x0000FF, 0x00FF00, WM_CTLCOLORSTATIC, true, 0x00FF00},
      {false, -1, -1, WM_CTLCOLORSTATIC, false, 0},
      {true, 0x0000FF, -1, WM_CTLCOLOREDIT, true, highlight},
      {true, -1, 0x123456, WM_CTLCOLOREDIT, true, 0x123456},
      {true, -1, -1, WM_CTLCOLOREDIT, false, 0},
  };
  for (const Case& c : cases) {
    HWND control = reinterpret_cast<HWND>(c.field ? MakeTextField(20, 0, 0, 50, 20, "x")
                                                  : MakeLabel(20, 0, 0, 50, 20, "x", 0));
    if (c.front != -1) ApplyGadgetColour(20, 1, c.front);
    if (c.back != -1) ApplyGadgetColour(20, 2, c.back);
    const ColourAnswer answer = AskColours(window_, c.message, control);
    if (c.answered) {
      EXPECT_NE(answer.brush, 0);
      EXPECT_EQ(answer.text, c.front != -1 ? static_cast<COLORREF>(c.front) : RGB(1, 2, 3));
      EXPECT_EQ(answer.background, c.background);
    } else {
      // Unanswered: the platform's default answer.
      HDC dc = GetDC(control);
      const LRESULT platform = DefWindowProcA(window_, c.message, reinterpret_cast<WPARAM>(dc),
                                              reinterpret_cast<LPARAM>(control));
      ReleaseDC(control, dc);
      EXPECT_EQ(answer.brush, platform);
    }
  }
}

TEST_F(WindowLayerTest, ColourOnButtonsAndFramesChangesNothing) {
  HWND button = reinterpret_cast<HWND>(MakeButton(1, 0, 0, 60, 25, "Text"));
  const intptr_t frame = MakeFrame(-1, 0, 30, 100, 50, "Recive");
  HWND frame_control = GetDlgItem(window_, static_cast<int>(frame));
  ASSERT_NE(frame_control, nullptr);
  const ColourAnswer button_before = AskColours(window_, WM_CTLCOLORBTN, button);
  const ColourAnswer frame_before = AskColours(window_, WM_CTLCOLORSTATIC, frame_control);
  for (int32_t kind : {1, 2}) {
    ApplyGadgetColour(1, kind, 0x0000FF);
    ApplyGadgetColour(static_cast<int32_t>(frame), kind, 0x0000FF);
  }
  EXPECT_EQ(BrushCacheSize(), 0u);
  const ColourAnswer button_after = AskColours(window_, WM_CTLCOLORBTN, button);
  const ColourAnswer frame_after = AskColours(window_, WM_CTLCOLORSTATIC, frame_control);
  EXPECT_EQ(button_after.text, button_before.text);
  EXPECT_EQ(button_after.background, button_before.background);
  EXPECT_EQ(frame_after.text, frame_before.text);
  EXPECT_EQ(frame_after.background, frame_before.background);
  EXPECT_NE(frame_after.text, 0x0000FFu);
}

TEST_F(WindowLayerTest, BrushCacheSharesBrushesAndFreesTheLast) {
  HWND first = reinterpret_cast<HWND>(MakeLabel(30, 0, 0, 50, 20, "a", 0));
  HWND second = reinterpret_cast<HWND>(MakeTextField(31, 0, 30, 50, 20, "b"));
  MakeLabel(32, 0, 60, 50, 20, "c", 0);
  ApplyGadgetColour(30, 2, 0x00FF00);
  ApplyGadgetColour(31, 2, 0x00FF00);
  ApplyGadgetColour(32, 2, 0x0000FF);
  EXPECT_EQ(BrushCacheSize(), 2u);
  const LRESULT shared = AskColours(window_, WM_CTLCOLORSTATIC, first).brush;
  EXPECT_EQ(AskColours(window_, WM_CTLCOLOREDIT, second).brush, shared);
  ApplyGadgetColour(32, 2, -1);  // back to the default: its brush is released
  EXPECT_EQ(BrushCacheSize(), 1u);
  MakeButton(30, 0, 0, 50, 20, "reused");  // destroys label 30: one user left
  EXPECT_EQ(BrushCacheSize(), 1u);
  EXPECT_NE(GetObjectType(reinterpret_cast<HGDIOBJ>(shared)), 0u);
  DestroyWindow(second);
  EXPECT_EQ(BrushCacheSize(), 0u);
  EXPECT_EQ(FetchGadgetText(31), "");  // the number is free once the control is gone
}

// Returns a control's rectangle in its parent's client area.
RECT PlacedRect(HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// At 168 dpi a gadget's edges are its 96-dpi edges scaled, whether it was made before the
// window's DPI changed or after: a button at y 30 with height 25 ends at 55 * 1.75 = 96.25.
TEST_F(WindowLayerTest, AGadgetsEdgesAreScaledNotItsPositionAndSize) {
  HWND before = reinterpret_cast<HWND>(MakeButton(1, 35, 30, 60, 25, "Text"));
  FollowDpiChange(0, 168, nullptr);
  HWND after = reinterpret_cast<HWND>(MakeButton(11, 105, 30, 60, 25, "Hex"));
  for (HWND button : {before, after}) {
    const RECT r = PlacedRect(button);
    EXPECT_EQ(r.top, 53);
    EXPECT_EQ(r.bottom, 96);
  }
  EXPECT_EQ(PlacedRect(before).right, 166);  // 95 * 1.75 = 166.25
}

// A font made after the window moved to another DPI is made for that DPI, as its gadgets are.
TEST_F(WindowLayerTest, AFontIsMadeForTheLayoutsDpi) {
  FollowDpiChange(0, 144, nullptr);
  MakeFont(2, "Arial", 22, 0);
  LOGFONTA made{};
  ASSERT_EQ(GetObjectA(reinterpret_cast<HFONT>(FontHandleOf(2)), sizeof(made), &made),
            static_cast<int>(sizeof(made)));
  EXPECT_EQ(made.lfHeight, -44);  // 22 points at 144 dpi
}

// The layer's window procedure, while a test stands in front of it.
WNDPROC layer_procedure = nullptr;

// The client width at 96 dpi of the window that CrossBackOnMove watches.
LONG width_at_96 = 0;

// The DPI that a window laid out for 144 dpi is told: 168, or 120 where it crosses back.
UINT told_at_144 = 168;

// A move that leaves the client area laid out for 120 dpi brings a change to 144 dpi, and one
// for 144 dpi a change to told_at_144, as a window whose centre crosses an edge at each size is
// told.
LRESULT CALLBACK CrossBackOnMove(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  RECT client;
  if (message == WM_WINDOWPOSCHANGED && GetClientRect(window, &client)) {
    for (const UINT from : {120u, 144u}) {
      if (client.right == MulDiv(width_at_96, from, 96)) {
        FollowDpiChange(0, from == 120 ? 144 : told_at_144, nullptr);
      }
    }
  }
  return CallWindowProcA(layer_procedure, window, message, wparam, lparam);
}

// DPI changes from inside the layout's own moves, the first pass's and the next one's, are
// laid out after them: the client area and the gadgets end at the last DPI, as the fonts do.
TEST_F(WindowLayerTest, ADpiChangeFromInsideTheLayoutsOwnMoveIsLaidOutLast) {
  HWND button = reinterpret_cast<HWND>(MakeButton(1, 35, 30, 60, 25, "Text"));
  RECT outer, before;
  GetWindowRect(window_, &outer);
  GetClientRect(window_, &before);
  layer_procedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CrossBackOnMove)));
  OffsetRect(&outer, 8, 8);
  width_at_96 = before.right;
  FollowDpiChange(0, 120, &outer);
  SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(layer_procedure));
  RECT client;
  GetClientRect(window_, &client);
  EXPECT_EQ(client.right, MulDiv(before.right, 168, 96));
  EXPECT_EQ(PlacedRect(button).bottom, 96);  // 55 * 1.75 = 96.25
  // A window that crosses back at every pass ends, once the passes run out, laid out where it
  // is (its client area as the last pass left it) for the last DPI told.
  FollowDpiChange(0, 96, nullptr);
  told_at_144 = 120;
  SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CrossBackOnMove));
  FollowDpiChange(0, 120, nullptr);
  SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(layer_procedure));
  told_at_144 = 168;
  GetClientRect(window_, &client);
  EXPECT_EQ(client.right, MulDiv(before.right, 144, 96));
  EXPECT_EQ(PlacedRect(button).bottom, 69);  // 55 * 1.25 = 68.75
}

}  // namespace
