// The event-queue rules of the window layer, free of any platform call.
#include "ui/event_state.h"

#include <new>

// Frees the entries still queued.
EventState::~EventState() {
  while (first_ != nullptr) {
    QueuedEvent* entry = first_;
    first_ = entry->next;
    delete entry;
  }
}

// Appends a deferred event unless it repeats the last entry exactly.
void EventState::Queue(int32_t code, int32_t window_number) {
  if (last_ != nullptr && last_->code == code && last_->window_number == window_number) return;
  // An event that finds no memory is dropped without notice.
  QueuedEvent* entry = new (std::nothrow) QueuedEvent{code, window_number, nullptr};
  if (entry == nullptr) return;
  (last_ != nullptr ? last_->next : first_) = entry;
  last_ = entry;
}

// Starts a wait; returns true with the first deferred event when one is queued.
bool EventState::BeginWait(int32_t* code) {
  data_block = 0;
  current.event_type = -1;
  if (first_ == nullptr) return false;
  QueuedEvent* entry = first_;
  first_ = entry->next;
  if (first_ == nullptr) last_ = nullptr;
  current.window_number = entry->window_number;
  current.pending_code = 0;
  snapshot_ = current;
  *code = entry->code;
  delete entry;
  return true;
}

// Returns the number of deferred events still queued.
size_t EventState::QueuedCount() const {
  size_t count = 0;
  for (const QueuedEvent* entry = first_; entry != nullptr; entry = entry->next) ++count;
  return count;
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
