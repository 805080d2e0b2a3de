// Driving another process's window from outside: finding it and its controls, reading
// and setting texts, pressing buttons, keyboard focus, and the program's message box.
// Every call that waits has a timeout, so a hung program fails a test instead of stalling.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// Milliseconds that a single cross-process message may take before it counts as a hang.
constexpr UINT kMessageTimeoutMs = 2000;

// Returns the visible top-level window of `pid` titled `title` that is not a dialog box.
HWND FindMainWindow(DWORD pid, const char* title, DWORD timeout_ms);

// Returns the first visible dialog box ("#32770") of `pid`, waiting up to `timeout_ms`.
HWND FindMessageBox(DWORD pid, DWORD timeout_ms);

// Returns the child control with the control id, or null.
HWND FindControl(HWND parent, int id);

// Returns all child windows of a window.
std::vector<HWND> ChildrenOf(HWND parent);

// Returns the window class name.
std::string ClassOf(HWND w);

// Reads a control's text with WM_GETTEXT; false when the owner does not answer in time.
bool ReadText(HWND w, std::string* text);

// Returns the text (empty when it cannot be read).
std::string TextOf(HWND w);

// Sets a control's text with WM_SETTEXT.
bool WriteText(HWND w, const std::string& text);

// Waits until the control shows `want`.
bool WaitForText(HWND w, const std::string& want, DWORD timeout_ms);

// Presses a button without waiting for the command it runs.
bool Press(HWND button);

// Tells whether the window's thread handles a message within `timeout_ms`.
bool Answers(HWND w, UINT timeout_ms);

// Sends a window WM_DPICHANGED for `dpi` with a suggested outer rectangle (null: none). The
// rectangle is written into the window's process, whose address lParam must be.
bool SendDpiChange(HWND w, UINT dpi, const RECT* suggested);

// Returns a control's rectangle in its parent's client coordinates.
RECT RectInParent(HWND w);

// Returns the window that has the keyboard focus in `w`'s thread.
HWND FocusIn(HWND w);

// Returns the message box's text (its static control 0xFFFF).
std::string MessageBoxText(HWND box);

// Closes a message box with OK and waits until it has gone.
bool DismissMessageBox(HWND box, DWORD timeout_ms);

}  // namespace e2e
