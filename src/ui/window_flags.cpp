// Window flag decoding and window placement.
#include "ui/window_flags.h"

// Returns the style, extended style and layer options that a window's flags ask for.
WindowFlags DecodeWindowFlags(uint32_t flags) {
  WindowFlags decoded;
  decoded.centre_screen = (flags & WINDOW_CENTRE_SCREEN) != 0;
  decoded.centre_parent = (flags & WINDOW_CENTRE_PARENT) != 0;
  decoded.container = (flags & WINDOW_NOT_CONTAINER) == 0;
  decoded.invisible = (flags & WINDOW_INVISIBLE) != 0;
  if ((flags & WINDOW_TOOL) != 0) {
    decoded.ex_style = EX_STYLE_TOOLWINDOW;
    flags &= ~(STYLE_MINIMIZE | STYLE_MAXIMIZE | STYLE_MINIMIZEBOX | STYLE_MAXIMIZEBOX);
    flags |= STYLE_CAPTION;
  }
  flags &= ~WINDOW_NOT_CONTAINER;
  if ((flags & ~(WINDOW_CENTRE_SCREEN | WINDOW_CENTRE_PARENT | WINDOW_INVISIBLE)) == 0) {
    flags |= STYLE_CAPTION;
  }
  decoded.style = flags & ~(WINDOW_CENTRE_SCREEN | WINDOW_CENTRE_PARENT | WINDOW_TOOL |
                            WINDOW_NOT_CONTAINER | WINDOW_INVISIBLE);
  return decoded;
}

// Returns the outer rectangle of a new window from its flags and the given position.
Placement PlaceWindow(const WindowFlags& decoded, int32_t x, int32_t y, int32_t width,
                      int32_t height, int32_t screen_width, int32_t screen_height, bool has_over,
                      const Placement& over, bool* use_default) {
  *use_default = false;
  if (decoded.centre_screen) {
    if (width > screen_width) width = screen_width;
    if (height > screen_height) height = screen_height;
    return Placement{(screen_width - width) / 2, (screen_height - height) / 2, width, height};
  }
  if (decoded.centre_parent) {
    if (!has_over) return Placement{x, y, width, height};
    x = over.x + (over.width - width) / 2;
    y = over.y + (over.height - height) / 2;
    return Placement{x < 0 ? 0 : x, y < 0 ? 0 : y, width, height};
  }
  if (x == DEFAULT_POSITION || y == DEFAULT_POSITION) *use_default = true;
  return Placement{x, y, width, height};
}
