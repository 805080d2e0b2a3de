// How MakeWindow reads its window flags and places a window.
#pragma once

#include <cstdint>

constexpr uint32_t WINDOW_CENTRE_SCREEN = 0x00000001;
constexpr uint32_t WINDOW_CENTRE_PARENT = 0x00000002;
constexpr uint32_t WINDOW_TOOL = 0x00000004;
constexpr uint32_t WINDOW_NOT_CONTAINER = 0x00000008;
constexpr uint32_t WINDOW_INVISIBLE = 0x10000000;

// The platform's style bits that the flags touch, by value.
constexpr uint32_t STYLE_CAPTION = 0x00C00000;
constexpr uint32_t STYLE_MINIMIZE = 0x20000000;
constexpr uint32_t STYLE_MAXIMIZE = 0x01000000;
constexpr uint32_t STYLE_MINIMIZEBOX = 0x00020000;
constexpr uint32_t STYLE_MAXIMIZEBOX = 0x00010000;
constexpr uint32_t EX_STYLE_TOOLWINDOW = 0x00000080;

// The x or y argument that asks for the platform's default position.
constexpr int32_t DEFAULT_POSITION = -65535;

// The flags of MakeWindow, split into what the layer does and what the platform gets.
struct WindowFlags {
  uint32_t style = 0;
  uint32_t ex_style = 0;
  bool centre_screen = false;
  bool centre_parent = false;
  bool container = true;
  bool invisible = false;
};

// Returns the decoded form of a window's flags.
WindowFlags DecodeWindowFlags(uint32_t flags);

// A rectangle as left, top, width, height.
struct Placement {
  int32_t x;
  int32_t y;
  int32_t width;
  int32_t height;
};

// Returns where a window of outer size width x height goes: centred on the screen, centred
// over `over` (when has_over), or at x, y; use_default tells that the platform's default
// position is wanted.
Placement PlaceWindow(const WindowFlags& decoded, int32_t x, int32_t y, int32_t width,
                      int32_t height, int32_t screen_width, int32_t screen_height, bool has_over,
                      const Placement& over, bool* use_default);
