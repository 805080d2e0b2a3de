// The main window's fifteen gadgets as the program lays them out at 96 dpi: class, rectangle
// in the client area, initial text and style bits, in creation order.
#pragma once

#include <windows.h>

#include "driver/gui_driver.h"

namespace e2e {

// The client area at 96 dpi.
constexpr int kClientWidth = 280;
constexpr int kClientHeight = 300;

struct GadgetRow {
  int id;  // -1: the frame, whose id is automatic
  const char* cls;
  RECT rect;  // left, top, right, bottom in the client area
  const char* text;
  LONG style_set;    // bits that must be set
  LONG style_clear;  // bits that must be clear
};

inline constexpr LONG kBase = WS_CHILD | WS_VISIBLE | WS_GROUP;
inline constexpr LONG kButton = kBase | WS_TABSTOP;
inline constexpr LONG kField = kBase | WS_TABSTOP | ES_AUTOHSCROLL;
inline constexpr LONG kNoTab = WS_TABSTOP;

inline const GadgetRow kGadgets[] = {
    {0, "Static", {4, 4, 186, 20}, "No HID device", kBase | SS_CENTER, kNoTab},
    {1, "Button", {35, 30, 95, 55}, "Text", kButton, 0},
    {11, "Button", {105, 30, 165, 55}, "Hex", kButton, 0},
    {13, "Button", {175, 30, 235, 55}, "Digit", kButton, 0},
    {4, "Edit", {35, 60, 235, 85}, "12345678", kField, ES_READONLY | ES_CENTER},
    {2, "Button", {35, 90, 95, 115}, "Text", kButton, 0},
    {21, "Button", {105, 90, 165, 115}, "Hex", kButton, 0},
    {23, "Button", {175, 90, 235, 115}, "Digit", kButton, 0},
    {5, "Edit", {35, 120, 235, 145}, "56789ABC", kField, ES_READONLY | ES_CENTER},
    {3, "Button", {35, 150, 95, 175}, "Text", kButton, 0},
    {31, "Button", {105, 150, 165, 175}, "Hex", kButton, 0},
    {33, "Button", {175, 150, 235, 175}, "Digit", kButton, 0},
    {6, "Edit", {35, 180, 235, 205}, "ABCDEFGH", kField, ES_READONLY | ES_CENTER},
    {-1, "Button", {4, 210, 274, 300}, "Recive", kBase | BS_GROUPBOX, kNoTab},
    {12, "Edit", {8, 235, 268, 285}, "OFF", kField | ES_READONLY | ES_CENTER, 0},
};

// Returns the frame: the group box whose id is an automatic identifier.
inline HWND FindFrame(HWND main) {
  for (HWND w : ChildrenOf(main)) {
    if (ClassOf(w) == "Button" && (GetWindowLongA(w, GWL_STYLE) & 0xF) == BS_GROUPBOX) return w;
  }
  return nullptr;
}

}  // namespace e2e
