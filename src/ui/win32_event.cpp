// The event side of the layer: the window procedure, NextEvent, its accessors and timers.
#include <windows.h>
#include <dbt.h>

#include <cstring>

#include "ui/ui.h"
#include "ui/win32_device_notice.h"
#include "ui/win32_layer.h"

namespace {

// Returns the number of the nearest tagged window from `window` up through its parents, below
// the desktop (which is never tagged).
int32_t OwningWindowNumber(HWND window) {
  HWND desktop = GetDesktopWindow();
  for (HWND walk = window; walk != nullptr && walk != desktop;
       walk = GetAncestor(walk, GA_PARENT)) {
    const int32_t number = WindowNumberOf(walk);
    if (number != -1) return number;
  }
  return -1;
}

// Hands a message about a control to its gadget kind's parent-message handler.
bool OfferToGadget(HWND control, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* answer) {
  int32_t number = -1;
  GadgetRecord* gadget = GadgetOfControl(control, &number);
  if (gadget == nullptr || gadget->kind->parent_message == nullptr) return false;
  return gadget->kind->parent_message(gadget, message, wparam, lparam, answer);
}

// Passes a colour-change message on to one child control.
BOOL CALLBACK ForwardColourChange(HWND child, LPARAM /*unused*/) {
  SendMessageA(child, WM_SYSCOLORCHANGE, 0, 0);
  return TRUE;
}

// Queues the events of a WM_SIZE for a known window.
void QueueSize(EventState& events, WindowRecord* record, int32_t number, WPARAM kind) {
  if (kind == SIZE_MINIMIZED) {
    record->minimised_or_maximised = true;
    events.Queue(EVENT_MINIMISED, number);
    return;
  }
  if (kind == SIZE_MAXIMIZED) {
    record->minimised_or_maximised = true;
    events.Queue(EVENT_MAXIMISED, number);
  } else if (kind == SIZE_RESTORED && record->minimised_or_maximised) {
    record->minimised_or_maximised = false;
    events.Queue(EVENT_RESTORED, number);
  }
  events.Queue(WM_SIZE, number);
}

// Turns a WM_COMMAND into a pending event or a focus move.
void HandleCommand(EventState& events, WPARAM wparam, LPARAM lparam) {
  const int32_t high = HIWORD(wparam);
  const int32_t low = LOWORD(wparam);
  if (lparam != 0) {
    const auto id =
        static_cast<int32_t>(GetWindowLongPtrA(reinterpret_cast<HWND>(lparam), GWLP_ID));
    if (id == MENU_CONTROL_ID) {
      events.SetPending(EVENT_MENU);
      events.current.object_number = low;
    } else {
      events.SetPending(GadgetUsed);
      events.current.event_type = high;
      events.current.object_number = id;
    }
  } else if (high == 0) {
    events.SetPending(EVENT_MENU);
    events.current.object_number = static_cast<int32_t>(wparam);
  } else if (low == COMMAND_FOCUS_FORWARD || low == COMMAND_FOCUS_BACKWARD) {
    MoveKeyboardFocus(GetActiveWindow(), low == COMMAND_FOCUS_FORWARD);
  } else {
    events.SetPending(EVENT_MENU);
    events.current.object_number = low;
  }
}

// Returns the event type of a notification-area click message, -1 for others.
int32_t TrayClickType(LPARAM lparam) {
  switch (lparam) {
    case WM_LBUTTONDOWN:
      return 0;
    case WM_RBUTTONDOWN:
      return 1;
    case WM_LBUTTONDBLCLK:
      return 2;
    case WM_RBUTTONDBLCLK:
      return 3;
    default:
      return -1;
  }
}

// Returns true when the focused control takes Tab itself (rich text, hot key).
bool FocusTakesTab() {
  HWND focus = GetFocus();
  char name[64] = {};
  if (focus == nullptr || GetClassNameA(focus, name, sizeof(name)) == 0) return false;
  return _strnicmp(name, "RichEdit", 8) == 0 || _stricmp(name, "msctls_hotkey32") == 0;
}

// Runs one message through the active window's accelerators or dispatches it.
void DeliverMessage(LayerState* layer, MSG* message) {
  HWND active = GetActiveWindow();
  const int32_t number = WindowNumberOf(active);
  WindowRecord* record = number != -1 ? layer->windows.Find(number) : nullptr;
  if (record != nullptr && record->handle == active && record->accelerator_table != nullptr &&
      !FocusTakesTab() && TranslateAcceleratorA(active, record->accelerator_table, message)) {
    return;
  }
  TranslateMessage(message);
  DispatchMessageA(message);
}

// Takes one message from the thread's queue within a timeout; false when none came.
bool TakeMessage(int32_t timeout, MSG* message) {
  if (timeout < 0) {
    GetMessageA(message, nullptr, 0, 0);
    return true;
  }
  const UINT remove = PM_REMOVE | PM_NOYIELD;
  if (PeekMessageA(message, nullptr, 0, 0, remove)) return true;
  if (timeout == 0) return false;
  if (MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(timeout), QS_ALLINPUT) ==
      WAIT_TIMEOUT) {
    return false;
  }
  return PeekMessageA(message, nullptr, 0, 0, remove) != 0;
}

}  // namespace

// The class procedure of the layer's windows: turns messages into event codes.
LRESULT CALLBACK LayerWindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  LayerState* layer = Layer();
  if (layer == nullptr) return DefWindowProcA(window, message, wparam, lparam);
  EventState& events = layer->events;
  const int32_t number = OwningWindowNumber(window);
  events.current.window_number = number;
  WindowRecord* record = number != -1 ? layer->windows.Find(number) : nullptr;
  LRESULT answer = 0;
  switch (message) {
    case WM_MOVE:
      if (record == nullptr) break;
      events.Queue(WM_MOVE, number);
      return 0;
    case WM_SIZE:
      if (record == nullptr) break;
      QueueSize(events, record, number, wparam);
      if (wparam != SIZE_MINIMIZED && record->iconic_dpi != 0) {
        const UINT dpi = record->iconic_dpi;
        record->iconic_dpi = 0;
        FollowDpiChange(number, dpi, nullptr);
      }
      return 0;
    case WM_ACTIVATE:
      // As in a dialog, the control that had the focus gets it back (not while minimised).
      if (LOWORD(wparam) != 0) events.Queue(EVENT_ACTIVATED, number);
      if (LOWORD(wparam) != 0 && HIWORD(wparam) == 0 && record != nullptr) GiveFocusBack(record);
      return 1;
    case WM_CLOSE:
      if (record == nullptr) break;
      events.Queue(CloseRequested, number);
      return 0;
    case WM_ERASEBKGND:
      // The repaint event carries the number of WM_PAINT (15).
      events.Queue(WM_PAINT, number);
      if (record != nullptr && record->background_brush != nullptr) {
        RECT client;
        GetClientRect(window, &client);
        FillRect(reinterpret_cast<HDC>(wparam), &client, record->background_brush);
        return 1;
      }
      break;
    case WM_SYSCOLORCHANGE:
      EnumChildWindows(window, ForwardColourChange, 0);
      break;
    case WM_NOTIFY:
      if (lparam != 0 && OfferToGadget(reinterpret_cast<NMHDR*>(lparam)->hwndFrom, message, wparam,
                                       lparam, &answer)) {
        return answer;
      }
      break;
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case MESSAGE_GADGET_PARENT:
      if (OfferToGadget(reinterpret_cast<HWND>(lparam), message, wparam, lparam, &answer)) {
        return answer;
      }
      break;
    case WM_COMMAND:
      if (lparam != 0 &&
          OfferToGadget(reinterpret_cast<HWND>(lparam), message, wparam, lparam, &answer)) {
        return answer;
      }
      HandleCommand(events, wparam, lparam);
      return 0;
    case WM_TIMER:
      if (record == nullptr) break;
      events.SetPending(TimerTick);
      events.current.object_number = static_cast<int32_t>(wparam);
      return 0;
    case WM_DEVICECHANGE:
      // NOTE: the platform sends the notice, and a sent message does not end the wait, so a
      // posted message wakes it; the notices that come before the application takes them
      // share one wake-up, and so one event.
      if (record == nullptr ||
          (wparam != DBT_DEVICEARRIVAL && wparam != DBT_DEVICEREMOVECOMPLETE)) {
        break;
      }
      if (KeepDeviceNotice(wparam == DBT_DEVICEARRIVAL, lparam) &&
          !PostMessageA(window, MESSAGE_DEVICE_NOTICE, 0, 0)) {
        DeviceNoticeWakeHandled();  // none is outstanding after all
      }
      return TRUE;
    case MESSAGE_DEVICE_NOTICE:
      if (record == nullptr) break;
      DeviceNoticeWakeHandled();
      events.SetPending(DeviceNotice);
      return 0;
    case MESSAGE_APPLICATION_EVENT:
      if (record == nullptr) break;
      events.SetPending(static_cast<int32_t>(wparam));
      return 0;
    case MESSAGE_DPI_CHANGED:
      // The window moved to a screen of another DPI: the high word names it (the low word is
      // the same for x); lParam suggests the new outer rectangle, and may be null.
      if (record == nullptr) break;
      FollowDpiChange(number, HIWORD(wparam), reinterpret_cast<const RECT*>(lparam));
      return 0;
    case MESSAGE_TRAY_FORWARD:
      PostMessageA(window, MESSAGE_TRAY, wparam, lparam);
      return 0;
    case MESSAGE_TRAY: {
      const int32_t type = TrayClickType(lparam);
      events.SetPending(type == -1 ? 0 : EVENT_TRAY);
      events.current.object_number = static_cast<int32_t>(wparam);
      events.current.event_type = type;
      return 0;
    }
    case MESSAGE_FIELD_FOCUS:
      events.SetPending(GadgetUsed);
      events.current.object_number = static_cast<int32_t>(wparam);
      events.current.event_type = static_cast<int32_t>(lparam);
      return 0;
    case MESSAGE_DATA:
      events.SetPending(MESSAGE_DATA);
      events.data_block = lparam;
      return 0;
    case MESSAGE_DATA_NUMBERED:
      events.SetPending(MESSAGE_DATA_NUMBERED);
      events.data_block = lparam;
      events.current.object_number = static_cast<int32_t>(wparam);
      return 0;
    case WM_NCDESTROY:
      UntagWindow(window);
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

// Waits for the next event; returns its code, 0 when the timeout ran out.
int32_t NextEvent(int32_t timeout) {
  LayerState* layer = Layer();
  if (layer == nullptr) return 0;
  int32_t code = 0;
  if (layer->events.BeginWait(&code)) return code;
  MSG message{};
  if (!TakeMessage(timeout, &message)) return 0;
  DeliverMessage(layer, &message);
  // NOTE: the window procedure may have stopped the layer meanwhile.
  layer = Layer();
  if (layer == nullptr) return static_cast<int32_t>(message.message);
  return layer->events.FinishMessage(message.message, static_cast<intptr_t>(message.wParam),
                                     static_cast<intptr_t>(message.lParam));
}

// Returns the fields of the last returned event.
const EventFields& EventSnapshot() {
  static const EventFields none;
  LayerState* layer = Layer();
  return layer != nullptr ? layer->events.Snapshot() : none;
}

// Returns the gadget number of the last returned event.
int32_t GadgetOfEvent() {
  return EventSnapshot().object_number;
}

// Returns the timer number of the last returned event.
int32_t TimerOfEvent() {
  return EventSnapshot().object_number;
}

// Starts or restarts a window's timer; returns the platform timer id, 0 on failure.
uintptr_t StartWindowTimer(int32_t window, int32_t timer, uint32_t period_ms) {
  LayerState* layer = Layer();
  WindowRecord* record = layer != nullptr ? layer->windows.Find(window) : nullptr;
  if (record == nullptr) return 0;
  return SetTimer(record->handle, static_cast<UINT_PTR>(timer), period_ms, nullptr);
}

// Posts an application event to the first window of the layer; safe on any thread.
void PostApplicationEvent(int32_t code) {
  HWND window = ApplicationEventWindow();
  if (window != nullptr && code >= FIRST_APPLICATION_EVENT) {
    PostMessageA(window, MESSAGE_APPLICATION_EVENT, static_cast<WPARAM>(code), 0);
  }
}

// Waits for an object to be signalled, handling sent messages meanwhile; true when signalled.
bool WaitHandlingSentMessages(intptr_t object, uint32_t limit_ms) {
  HANDLE handle = reinterpret_cast<HANDLE>(object);
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    const ULONGLONG elapsed = GetTickCount64() - start;
    const DWORD left = elapsed < limit_ms ? static_cast<DWORD>(limit_ms - elapsed) : 0;
    // NOTE: the object is tested before the time, so one signalled by the deadline counts.
    const DWORD woke = MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_SENDMESSAGE);
    if (woke == WAIT_OBJECT_0) return true;
    if (woke == WAIT_OBJECT_0 + 1) {
      // NOTE: PM_QS_SENDMESSAGE with PM_NOREMOVE delivers sent messages only; posted input
      // stays queued for the event loop.
      MSG message;
      PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
      if (left != 0) continue;
    }
    return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
  }
}
