// Records and shared state of the Win32 window layer; internal to src/ui and its tests.
#pragma once

#include <windows.h>

#include <cstdint>

#include "ui/event_state.h"
#include "common/object_table.h"

// Accelerator commands that move the keyboard focus.
constexpr WORD COMMAND_FOCUS_FORWARD = 64001;
constexpr WORD COMMAND_FOCUS_BACKWARD = 64002;

// Private messages of the layer.
constexpr UINT MESSAGE_TRAY_FORWARD = 12501;
constexpr UINT MESSAGE_TRAY = 12502;
constexpr UINT MESSAGE_FIELD_FOCUS = 13103;
constexpr UINT MESSAGE_DATA = 13105;
constexpr UINT MESSAGE_DATA_NUMBERED = 13106;
constexpr UINT MESSAGE_GADGET_PARENT = 13120;
constexpr UINT MESSAGE_DEVICE_NOTICE = 13121;
// An application's own event, posted from any thread; wParam is its code.
constexpr UINT MESSAGE_APPLICATION_EVENT = 13122;

// WM_DPICHANGED, which Windows 8.1 and later send; the build uses Vista's headers, which lack it.
constexpr UINT MESSAGE_DPI_CHANGED = 0x02E0;

// Event types of the text-field focus notice.
constexpr int32_t FOCUS_GAINED = 14000;
constexpr int32_t FOCUS_LOST = 14001;

// Event codes that only the window procedure raises.
constexpr int32_t EVENT_MENU = 13101;
constexpr int32_t EVENT_TRAY = 13102;
constexpr int32_t EVENT_ACTIVATED = 13104;
constexpr int32_t EVENT_MINIMISED = 13107;
constexpr int32_t EVENT_MAXIMISED = 13108;
constexpr int32_t EVENT_RESTORED = 13109;

// The control id that marks a menu-like control.
constexpr int32_t MENU_CONTROL_ID = -10000;

// One open window.
struct WindowRecord {
  HWND handle = nullptr;
  ACCEL accelerators[2] = {};
  HACCEL accelerator_table = nullptr;
  HBRUSH background_brush = nullptr;
  bool minimised_or_maximised = false;
  char class_name[32] = {};
  HDEVNOTIFY device_notification = nullptr;  // device interface notices, when watched
  UINT dpi = 96;                             // dots per inch that the window is laid out for
  int32_t layout_width = 0;                  // client size at 96 dpi, as MakeWindow was given
  int32_t layout_height = 0;
  HFONT gui_font = nullptr;    // the default GUI font at the window's DPI (the stock one or own)
  bool following_dpi = false;  // FollowDpiChange runs for the window
  UINT noted_dpi = 0;          // a DPI change that came while it ran, laid out after it
  UINT iconic_dpi = 0;         // a DPI change that came while minimised, laid out at restore
  HWND focus = nullptr;        // the control given the keyboard focus back at activation
};

struct GadgetRecord;

// The descriptor of a gadget kind: its code and a fixed row of optional operations.
struct GadgetKind {
  int32_t code;
  uint32_t size;
  // Answers a message that the platform sent to the control's parent; true when answered.
  bool (*parent_message)(GadgetRecord* gadget, UINT message, WPARAM wparam, LPARAM lparam,
                         LRESULT* answer);
  void (*release)(GadgetRecord* gadget);
  intptr_t (*get_state)(GadgetRecord* gadget);
  void (*set_state)(GadgetRecord* gadget, intptr_t state);
  int32_t (*get_text)(GadgetRecord* gadget, char* buffer, int32_t size);
  void (*set_text)(GadgetRecord* gadget, const char* text);
  void (*resize)(GadgetRecord* gadget, int32_t x, int32_t y, int32_t width, int32_t height);
  int32_t (*x)(GadgetRecord* gadget);
  int32_t (*y)(GadgetRecord* gadget);
  int32_t (*width)(GadgetRecord* gadget);
  int32_t (*height)(GadgetRecord* gadget);
  void (*set_colour)(GadgetRecord* gadget, int32_t kind, int32_t colour);
  int32_t (*get_colour)(GadgetRecord* gadget, int32_t kind);
};

extern const GadgetKind BUTTON_KIND;
extern const GadgetKind TEXT_FIELD_KIND;
extern const GadgetKind LABEL_KIND;
extern const GadgetKind FRAME_KIND;

// One gadget (child control).
struct GadgetRecord {
  HWND handle = nullptr;
  const GadgetKind* kind = nullptr;
  WNDPROC previous_procedure = nullptr;  // the procedure that the gadget procedure replaced
  int32_t back_colour = -1;
  int32_t front_colour = -1;
  HBRUSH back_brush = nullptr;
  RECT layout = {};  // position and size at 96 dpi, as the create operation was given them
};

// One loaded font, with what it was made from so that it can be made again for another DPI.
struct FontRecord {
  HFONT handle = nullptr;
  char face[LF_FACESIZE] = {};
  int32_t points = 0;
  uint32_t flags = 0;
};

// Everything the layer keeps between its start-up and its shutdown.
struct LayerState {
  ObjectTable<WindowRecord> windows{16, 16};
  ObjectTable<GadgetRecord> gadgets{50, 50};
  ObjectTable<FontRecord> fonts{16, 16};
  EventState events;
  HWND container = nullptr;        // window that receives the gadgets created next
  HFONT container_font = nullptr;  // font of the gadgets created next
  HCURSOR cursor = nullptr;
  HICON icon = nullptr;
};

// Returns the layer's state, null before start-up and after shutdown.
LayerState* Layer();

// Tags a window with its number; UntagWindow removes the tag.
void TagWindow(HWND window, int32_t number);
void UntagWindow(HWND window);
// Returns the window that application events are posted to: the first tagged window that is
// still open, null when there is none. Safe on any thread.
HWND ApplicationEventWindow();
// Returns the number tagged on a window of the layer, or -1.
int32_t WindowNumberOf(HWND window);
// Returns the gadget record filed under a control's id that holds that control, else null.
GadgetRecord* GadgetOfControl(HWND control, int32_t* number);

// The class procedure of every window of the layer.
LRESULT CALLBACK LayerWindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Closes a window and frees its number.
void CloseLayerWindow(int32_t number);
// Moves the keyboard focus within the active window, forward or backward.
void MoveKeyboardFocus(HWND active, bool forward);
// Remembers a control that got the keyboard focus as its window's (see GiveFocusBack).
void NoteFocus(HWND control);
// Gives the keyboard focus back to the control of a window that last had it.
void GiveFocusBack(const WindowRecord* record);

// The dots per inch of a window: GetDpiForWindow where the platform has it, else the screen's.
UINT WindowDpi(HWND window);
// The dots per inch of the screen (LOGPIXELSY).
UINT ScreenDpi();
// Scales one pixel number of the 96-dpi layout to a DPI.
int32_t ScaleToDpi(int32_t value, UINT dpi);
// Returns the DPI that new gadgets and fonts are made for: the gadget container's, else the
// screen's.
UINT LayoutDpi(LayerState* layer);
// Scales a rectangle of the 96-dpi layout to a DPI by its edges (not by position and size).
RECT ScaleRectToDpi(const RECT& layout, UINT dpi);
// Returns the default GUI font for a DPI: the stock font at the screen's DPI, else a new one.
HFONT GuiFontForDpi(UINT dpi);
// Deletes a font of GuiFontForDpi unless it is the stock one.
void ReleaseGuiFont(HFONT font);
// Makes a font sized in points for a DPI; null when the platform refuses.
HFONT CreatePointFont(const FontRecord& font, UINT dpi);
// Resizes a window so that its client area is exactly width x height, keeping its position.
void FitClientArea(HWND window, int32_t width, int32_t height);
// Returns the DPI, at most `dpi`, at which the window's layout and present frame fit the work
// area of its monitor (never below 96 dpi for a screen too small even then).
UINT FittingDpi(const WindowRecord* record, UINT dpi);
// Moves a window onto the work area of its monitor, top-left first where it is larger.
void KeepOnWorkArea(HWND window);
// Lays a window and its gadgets out again for a DPI (at most what fits the work area), with
// fonts made anew for it, and moves the window to the suggested outer rectangle (none: it
// keeps its place), then onto the work area. A change while minimised is laid out at restore.
void FollowDpiChange(int32_t number, UINT dpi, const RECT* suggested);

// BrushCache: returns a shared solid brush for a colour; ReleaseBrush gives it back.
HBRUSH TakeBrush(COLORREF colour);
void ReleaseBrush(HBRUSH brush);
// Starts and ends the BrushCache and its lock.
void StartBrushCache();
void StopBrushCache();
// Returns the number of distinct brushes in the BrushCache.
size_t BrushCacheSize();

// Returns the event snapshot of the last returned event, for callers that want its details.
const EventFields& EventSnapshot();
