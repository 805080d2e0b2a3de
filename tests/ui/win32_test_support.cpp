// Helpers of the in-process Win32 layer tests.
#include "win32_test_support.h"

#include "ui/ui.h"
#include "ui/win32_layer.h"

namespace {
constexpr UINT QUIET_MESSAGE = WM_APP + 7;
constexpr int MAX_EVENTS = 2000;
}  // namespace

// Takes every event that is ready at once.
std::vector<SeenEvent> DrainEvents() {
  std::vector<SeenEvent> events;
  for (int i = 0; i < MAX_EVENTS; ++i) {
    const int32_t code = NextEvent(0);
    if (code == 0) break;
    events.push_back(SeenEvent{code, EventSnapshot().object_number, EventSnapshot().event_type});
  }
  return events;
}

// Lets a pending code surface through a quiet message, then drains.
std::vector<SeenEvent> SettleEvents(HWND window) {
  std::vector<SeenEvent> events = DrainEvents();
  PostMessageA(window, QUIET_MESSAGE, 0, 0);
  const std::vector<SeenEvent> more = DrainEvents();
  events.insert(events.end(), more.begin(), more.end());
  return events;
}

// Waits for an event with a code (and object) within a time limit.
bool WaitForEvent(int32_t code, int32_t object, int32_t limit_ms, SeenEvent* seen) {
  const DWORD start = GetTickCount();
  while (static_cast<int32_t>(GetTickCount() - start) < limit_ms) {
    const int32_t got = NextEvent(50);
    if (got == code && (object == -1 || EventSnapshot().object_number == object)) {
      *seen = SeenEvent{got, EventSnapshot().object_number, EventSnapshot().event_type};
      return true;
    }
  }
  return false;
}

// Counts events by code and object.
size_t CountEvents(const std::vector<SeenEvent>& events, int32_t code, int32_t object) {
  size_t count = 0;
  for (const SeenEvent& event : events) {
    if (event.code == code && (object == -1 || event.object == object)) ++count;
  }
  return count;
}

// NOTE: without a window manager the window must be made foreground and active by hand.
// Makes a window the foreground and active window.
void Activate(HWND window) {
  SetForegroundWindow(window);
  SetActiveWindow(window);
}

// Opens the application's main window and shows it.
void LayerTest::SetUp() {
  StartWindowLayer();
  window_ = reinterpret_cast<HWND>(MakeWindow(0, 0, 0, 280, 300, "QUILLOMATIC", 0x10CA0001));
  ASSERT_NE(window_, nullptr);
  SetWindowHidden(0, 0);
  Activate(window_);
}

// Closes everything the test made.
void LayerTest::TearDown() {
  StopWindowLayer();
}
