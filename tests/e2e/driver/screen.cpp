#include "screen.h"

#include <cstdint>
#include <cstring>

namespace e2e {

namespace {

// Reads a bitmap selected nowhere into a top-down 32-bit pixel block.
Pixels ReadBitmap(HDC dc, HBITMAP bmp, int width, int height) {
  Pixels p;
  p.width = width;
  p.height = height;
  std::vector<uint32_t> raw(static_cast<size_t>(width) * height);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  GetDIBits(dc, bmp, 0, height, raw.data(), &bi, DIB_RGB_COLORS);
  p.data.reserve(raw.size());
  for (uint32_t v : raw) p.data.push_back(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
  return p;
}

// Copies a rectangle of a device context into a pixel block.
Pixels Copy(HDC src, int x, int y, int width, int height) {
  HDC mem = CreateCompatibleDC(src);
  HBITMAP bmp = CreateCompatibleBitmap(src, width, height);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, width, height, src, x, y, SRCCOPY);
  SelectObject(mem, old);
  Pixels p = ReadBitmap(mem, bmp, width, height);
  DeleteObject(bmp);
  DeleteDC(mem);
  return p;
}

}  // namespace

// Counts matching pixels.
int Pixels::Count(COLORREF c) const {
  int n = 0;
  for (COLORREF v : data) n += v == c ? 1 : 0;
  return n;
}

// Finds the bounding box of matching pixels.
RECT Pixels::BoundsOf(COLORREF c) const {
  RECT r = {width, height, 0, 0};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (At(x, y) != c) continue;
      if (x < r.left) r.left = x;
      if (y < r.top) r.top = y;
      if (x + 1 > r.right) r.right = x + 1;
      if (y + 1 > r.bottom) r.bottom = y + 1;
    }
  }
  if (r.right == 0) r = RECT{0, 0, 0, 0};
  return r;
}

// NOTE: the screen DC is read back from the X server, so the window must be unobscured.
Pixels CaptureClient(HWND w) {
  RECT client = {};
  GetClientRect(w, &client);
  POINT origin = {0, 0};
  ClientToScreen(w, &origin);
  HDC screen = GetDC(nullptr);
  Pixels p = Copy(screen, origin.x, origin.y, client.right, client.bottom);
  ReleaseDC(nullptr, screen);
  return p;
}

// Draws the text in a memory bitmap.
Pixels RenderText(const char* text, const LOGFONTA& font, COLORREF ink, COLORREF paper, int width,
                  int height) {
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old_bmp = SelectObject(mem, bmp);
  HFONT f = CreateFontIndirectA(&font);
  HGDIOBJ old_font = SelectObject(mem, f);
  RECT all = {0, 0, width, height};
  HBRUSH brush = CreateSolidBrush(paper);
  FillRect(mem, &all, brush);
  DeleteObject(brush);
  SetTextColor(mem, ink);
  SetBkColor(mem, paper);
  TextOutA(mem, 0, 0, text, static_cast<int>(std::strlen(text)));
  SelectObject(mem, old_font);
  SelectObject(mem, old_bmp);
  Pixels p = ReadBitmap(mem, bmp, width, height);
  DeleteObject(f);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return p;
}

}  // namespace e2e
