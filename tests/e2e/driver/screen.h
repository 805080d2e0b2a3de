// Reading what a window shows: pixels from the screen, and text rendered locally for
// comparison.
#pragma once

#include <windows.h>

#include <vector>

namespace e2e {

// A block of pixels as COLORREF values (0x00BBGGRR), row by row.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> data;
  COLORREF At(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
  // Counts the pixels of exactly this colour.
  int Count(COLORREF c) const;
  // Returns the bounding box of the pixels of this colour (empty when there are none).
  RECT BoundsOf(COLORREF c) const;
};

// Copies a window's client area from the screen; the window must be on top.
Pixels CaptureClient(HWND w);

// Renders `text` in `font` and colour `ink` at the top left of a block of colour `paper`.
Pixels RenderText(const char* text, const LOGFONTA& font, COLORREF ink, COLORREF paper, int width,
                  int height);

}  // namespace e2e
