#include "gui_driver.h"

#include <vector>

#include "wait_until.h"

namespace e2e {

namespace {

struct TopSearch {
  DWORD pid;
  const char* title;  // null: any dialog box
  HWND found;
};

// Tests one top-level window against the search.
BOOL CALLBACK MatchTop(HWND w, LPARAM param) {
  auto* s = reinterpret_cast<TopSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid != s->pid || !IsWindowVisible(w)) return TRUE;
  const bool dialog = ClassOf(w) == "#32770";
  char title[256] = {};
  GetWindowTextA(w, title, sizeof title);
  if ((s->title == nullptr && dialog) ||
      (s->title != nullptr && !dialog && s->title == std::string(title))) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

// Searches the top-level windows until one matches or the time is up.
HWND FindTop(DWORD pid, const char* title, DWORD timeout_ms) {
  TopSearch s = {pid, title, nullptr};
  WaitUntil(
      [&] {
        EnumWindows(MatchTop, reinterpret_cast<LPARAM>(&s));
        return s.found != nullptr;
      },
      timeout_ms);
  return s.found;
}

// Collects every child window.
BOOL CALLBACK CollectChild(HWND w, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(w);
  return TRUE;
}

}  // namespace

// Finds the program's main window by process and title.
HWND FindMainWindow(DWORD pid, const char* title, DWORD timeout_ms) {
  return FindTop(pid, title, timeout_ms);
}

// Finds a dialog box of the process.
HWND FindMessageBox(DWORD pid, DWORD timeout_ms) {
  return FindTop(pid, nullptr, timeout_ms);
}

// Returns every child window, at any depth.
std::vector<HWND> ChildrenOf(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&children));
  return children;
}

// Returns the direct child with the control id.
HWND FindControl(HWND parent, int id) {
  for (HWND w : ChildrenOf(parent)) {
    if (GetParent(w) == parent && GetDlgCtrlID(w) == id) return w;
  }
  return nullptr;
}

// Returns the class name.
std::string ClassOf(HWND w) {
  char name[256] = {};
  GetClassNameA(w, name, sizeof name);
  return name;
}

// NOTE: GetWindowTextA reads nothing from another process's edit controls; WM_GETTEXT does.
bool ReadText(HWND w, std::string* text) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs,
                           &length)) {
    return false;
  }
  std::string buf(length + 1, '\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(w, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(&buf[0]),
                           SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied)) {
    return false;
  }
  buf.resize(copied < buf.size() ? copied : buf.size() - 1);
  *text = buf;
  return true;
}

// Returns the text or the empty text.
std::string TextOf(HWND w) {
  std::string text;
  ReadText(w, &text);
  return text;
}

// Sets the text with a bounded wait.
bool WriteText(HWND w, const std::string& text) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                             SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result) != 0 &&
         result != 0;
}

// Polls the text until it matches.
bool WaitForText(HWND w, const std::string& want, DWORD timeout_ms) {
  return WaitUntil([&] { return TextOf(w) == want; }, timeout_ms);
}

// NOTE: posted, not sent: a command that opens a message box would block a sender.
bool Press(HWND button) {
  return PostMessageA(button, BM_CLICK, 0, 0) != 0;
}

// Sends WM_NULL with a timeout.
bool Answers(HWND w, UINT timeout_ms) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeout_ms, &result) != 0;
}

// Copies the rectangle into the window's process and sends WM_DPICHANGED with its address.
bool SendDpiChange(HWND w, UINT dpi, const RECT* suggested) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
  if (process == nullptr) return false;
  void* remote = nullptr;
  if (suggested != nullptr) {
    remote =
        VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remote == nullptr ||
        !WriteProcessMemory(process, remote, suggested, sizeof(RECT), nullptr)) {
      if (remote != nullptr) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
      CloseHandle(process);
      return false;
    }
  }
  DWORD_PTR answer = 0;
  const bool handled =
      SendMessageTimeoutA(w, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(remote),
                          SMTO_ABORTIFHUNG, kMessageTimeoutMs, &answer) != 0;
  if (remote != nullptr) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  return handled;
}

// Maps the control's window rectangle into its parent's client area.
RECT RectInParent(HWND w) {
  RECT r = {};
  GetWindowRect(w, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(w), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Reads the focus of the window's GUI thread.
HWND FocusIn(HWND w) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

// Reads the message text from the box's static control.
std::string MessageBoxText(HWND box) {
  HWND text = GetDlgItem(box, 0xFFFF);
  return text != nullptr ? TextOf(text) : std::string();
}

// Posts OK to the box and waits until the window is gone.
bool DismissMessageBox(HWND box, DWORD timeout_ms) {
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  return WaitUntil([&] { return !IsWindow(box); }, timeout_ms);
}

}  // namespace e2e
