// The window and event layer: numbered windows, gadgets, fonts and timers, one event queue
// and a message box. The application never sees a platform window handle; it names every
// object by a number it chooses, or by the identifier that an automatic number (-1) returns.
// Positions and sizes are pixels at 96 dpi; the layer scales them to the window's DPI.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Event codes returned by NextEvent.
constexpr int32_t GadgetUsed = 13100;
constexpr int32_t TimerTick = 13110;
// A device interface of a watched class arrived or was removed (see WatchDeviceInterfaces).
constexpr int32_t DeviceNotice = 13111;
constexpr int32_t CloseRequested = 16;
// The first of the codes that an application may give its own events (PostApplicationEvent).
constexpr int32_t FIRST_APPLICATION_EVENT = 13200;

// The number that asks a create operation for an automatic identifier.
constexpr int32_t AUTOMATIC_NUMBER = -1;

// Starts the layer: common controls, COM, the brush lock, the object tables and event state.
void StartWindowLayer();
// Closes every window (and with it every gadget), releases the layer's support and fonts.
void StopWindowLayer();

// Loads a font (flags: 0x100 bold, 0x200 italic, 0x4 underline, 0x8 strike-out,
// 0x10 proof quality); returns its handle, the identifier for -1, or 0.
intptr_t MakeFont(int32_t number, const char* face, int32_t points, uint32_t flags);
// Returns the platform font handle of a font number, 0 if there is none.
intptr_t FontHandleOf(int32_t number);

// Opens a window whose client area is exactly width x height; returns its handle,
// the identifier for -1, or 0.
intptr_t MakeWindow(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                    const char* title, uint32_t flags, intptr_t parent = 0);
// Shows (state 0) or hides a window; returns the platform's show result, 0 for no window.
intptr_t SetWindowHidden(int32_t number, int32_t state);

// Gadget create operations; each returns the control handle, the identifier for -1, or 0.
intptr_t MakeLabel(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                   const char* text, uint32_t flags);
intptr_t MakeButton(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                    const char* text, uint32_t flags = 0);
intptr_t MakeTextField(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                       const char* text, uint32_t flags = 0);
intptr_t MakeFrame(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                   const char* caption, int32_t kind = 0);

// Gives a gadget (or, with gadget -1, the gadgets created from now on) a font; -1 as font
// stands for the default GUI font.
void ApplyGadgetFont(int32_t gadget, intptr_t font);
// Sets a label's or text field's front (kind 1) or back (kind 2) colour, 0x00BBGGRR or -1.
void ApplyGadgetColour(int32_t gadget, int32_t kind, int32_t colour);

// Gives a gadget the keyboard focus: at once when its window is active, else when the window
// is activated. Each time a window is activated again, the gadget that last had the focus in
// it gets it back.
void FocusGadget(int32_t gadget);

// Sets a gadget's text; also safe from another thread while the gadget exists.
void PutGadgetText(int32_t gadget, const char* text);
// Returns a gadget's whole text; the empty text for a number that names no gadget.
std::string FetchGadgetText(int32_t gadget);

// Waits for the next event (timeout in ms, -1 without limit); returns its code, 0 on timeout.
int32_t NextEvent(int32_t timeout);
// Returns the gadget number of the last event returned by NextEvent.
int32_t GadgetOfEvent();
// Returns the timer number of the last event returned by NextEvent.
int32_t TimerOfEvent();
// Starts (or restarts) timer `timer` of a window; returns the platform timer id, 0 on failure.
uintptr_t StartWindowTimer(int32_t window, int32_t timer, uint32_t period_ms);

// Asks the platform to tell a window when a device interface of a class (a 16-byte GUID)
// arrives or is removed; notices become DeviceNotice, one event for all the notices that
// come before the application takes them. Returns nonzero on success.
intptr_t WatchDeviceInterfaces(int32_t window, const uint8_t* class_guid);
// Stops the notices of WatchDeviceInterfaces for a window (closing the window also does).
void UnwatchDeviceInterfaces(int32_t window);

// One device notice of the watched class: an arrival or a removal, and its record's name
// field as it came (8-bit or UTF-16 bytes, as many as the record says it holds); the field is
// empty when the record holds none (no record, or one too short for a name). Records of other
// kinds or classes are let go where they arrive and never become notices.
struct DeviceNoticeInfo {
  bool arrival = false;
  std::string name_field;
};
// Returns the device notices received since the last call, oldest first, and forgets them.
std::vector<DeviceNoticeInfo> TakeDeviceNotices();

// Safe on any thread: has NextEvent on the window thread return `code` (FIRST_APPLICATION_EVENT
// or above) as an event of its own. Nothing happens before the first window is made.
void PostApplicationEvent(int32_t code);

// Waits up to limit_ms for a platform object (a thread, an event) to be signalled, while this
// window thread keeps handling the messages that other threads send to its windows (so a
// thread waiting in PutGadgetText is never deadlocked); posted input stays queued. Returns
// true when the object was signalled.
bool WaitHandlingSentMessages(intptr_t object, uint32_t limit_ms);

// Shows a modal message box over all of the thread's windows; returns the button pressed.
int32_t ShowMessageBox(const char* title, const char* text, uint32_t flags);
