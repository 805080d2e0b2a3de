// Helpers of the in-process Win32 layer tests: a fixture with the main window and event taps.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

// One event as NextEvent returned it, with the snapshot's numbers.
struct SeenEvent {
  int32_t code;
  int32_t object;
  int32_t type;
};

// Takes events with timeout 0 until none is left (bounded); returns them in order.
std::vector<SeenEvent> DrainEvents();
// Posts a message that raises no event, so a pending code surfaces, then drains everything.
std::vector<SeenEvent> SettleEvents(HWND window);
// Waits up to `limit_ms` for an event with this code (and object, unless -1); true if seen.
bool WaitForEvent(int32_t code, int32_t object, int32_t limit_ms, SeenEvent* seen);
// Returns how many of the events carry a code (and object, unless -1).
size_t CountEvents(const std::vector<SeenEvent>& events, int32_t code, int32_t object = -1);
// Makes a window the foreground and active window of the thread.
void Activate(HWND window);

// Starts the layer with the application's main window (number 0), shown; stops it afterwards.
class LayerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  HWND window_ = nullptr;
};
