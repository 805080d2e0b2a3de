// ShowMessageBox: a message box modal to every visible window of the calling thread.
#include <windows.h>

#include <vector>

#include "ui/ui.h"

namespace {

// One window that a message box of a thread has disabled.
struct DisabledWindow {
  DWORD thread;
  HWND window;
};

// DisabledWindowList: windows disabled by open message boxes, per thread.
std::vector<DisabledWindow> g_disabled_windows;

// Disables a visible, enabled, non-foreground top-level window of the calling thread.
BOOL CALLBACK DisableThreadWindow(HWND window, LPARAM /*unused*/) {
  const DWORD thread = GetCurrentThreadId();
  if (GetWindowThreadProcessId(window, nullptr) == thread && IsWindowVisible(window) &&
      IsWindowEnabled(window) && window != GetForegroundWindow()) {
    EnableWindow(window, FALSE);
    g_disabled_windows.push_back(DisabledWindow{thread, window});
  }
  return TRUE;
}

// Enables again the windows that the calling thread's box disabled.
void EnableThreadWindows() {
  const DWORD thread = GetCurrentThreadId();
  for (auto it = g_disabled_windows.begin(); it != g_disabled_windows.end();) {
    if (it->thread == thread) {
      EnableWindow(it->window, TRUE);
      it = g_disabled_windows.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace

// Shows a modal message box over the thread's windows; returns the button that closed it.
int32_t ShowMessageBox(const char* title, const char* text, uint32_t flags) {
  EnumWindows(DisableThreadWindow, 0);
  HWND owner = GetForegroundWindow();
  DWORD process = 0;
  if (owner != nullptr) GetWindowThreadProcessId(owner, &process);
  if (process != GetCurrentProcessId()) owner = nullptr;
  const int result =
      MessageBoxA(owner, text != nullptr ? text : "", title != nullptr ? title : "", flags);
  EnableThreadWindows();
  return result;
}
