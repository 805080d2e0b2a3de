// EventState: the fields that the window procedure writes, the FIFO of deferred events, the
// pending code, and the snapshot that a wait leaves for the event accessors.
#pragma once

#include <cstddef>
#include <cstdint>

// The fields of one event, as the window procedure leaves them and as a wait copies them.
struct EventFields {
  int32_t object_number = 0;
  int32_t window_number = -1;
  int32_t event_type = -1;
  int32_t pending_code = 0;
  intptr_t wparam = 0;
  intptr_t lparam = 0;
};

// One deferred event of the queue, linked to the next one.
struct QueuedEvent {
  int32_t code;
  int32_t window_number;
  QueuedEvent* next;
};

class EventState {
 public:
  EventState() = default;
  ~EventState();
  EventState(const EventState&) = delete;
  EventState& operator=(const EventState&) = delete;

  // The live fields, written by the window procedure at any time on the main thread.
  EventFields current;
  // The block that came with a data event; dropped at the start of the next wait.
  intptr_t data_block = 0;

  // Appends a deferred event unless the last entry holds the same code and window.
  void Queue(int32_t code, int32_t window_number);
  // Makes `code` the pending code, overwriting any earlier one.
  void SetPending(int32_t code) { current.pending_code = code; }

  // Starts a wait. When a deferred event is queued it is taken (the pending code is dropped),
  // the snapshot is taken, *code receives it and true is returned; otherwise false.
  bool BeginWait(int32_t* code);
  // Ends a wait that dispatched one platform message; returns the pending code when one was
  // raised, else the message's own number (whose parameters are then kept).
  int32_t FinishMessage(uint32_t message, intptr_t wparam, intptr_t lparam);

  // Returns the fields of the event that the last wait returned.
  const EventFields& Snapshot() const { return snapshot_; }
  // Returns the number of deferred events still queued.
  size_t QueuedCount() const;

 private:
  // EventQueue: a singly linked FIFO, first and last entry; both null when empty.
  QueuedEvent* first_ = nullptr;
  QueuedEvent* last_ = nullptr;
  EventFields snapshot_;
};
