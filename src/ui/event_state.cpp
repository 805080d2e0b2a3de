// The event-queue rules of the window layer, free of any platform call.
#include "ui/event_state.h"

#include <new>

// Appends a deferred event unless it repeats the last entry exactly.
void EventState::Queue(int32_t code, int32_t window_number) {
  if (!queue_.empty() && queue_.back().code == code &&
      queue_.back().window_number == window_number) {
    return;
  }
  try {
    queue_.push_back(QueuedEvent{code, window_number});
  } catch (const std::bad_alloc&) {
    // An event that finds no memory is dropped without notice.
  }
}

// Starts a wait; returns true with the first deferred event when one is queued.
bool EventState::BeginWait(int32_t* code) {
  data_block = 0;
  current.event_type = -1;
  if (queue_.empty()) return false;
  const QueuedEvent entry = queue_.front();
  queue_.pop_front();
  current.window_number = entry.window_number;
  current.pending_code = 0;
  snapshot_ = current;
  *code = entry.code;
  return true;
}

// Ends a wait after one dispatched message; returns the pending code or the message number.
int32_t EventState::FinishMessage(uint32_t message, intptr_t wparam, intptr_t lparam) {
  int32_t result;
  if (current.pending_code != 0) {
    result = current.pending_code;
    current.pending_code = 0;
  } else {
    result = static_cast<int32_t>(message);
    current.wparam = wparam;
    current.lparam = lparam;
  }
  snapshot_ = current;
  return result;
}
