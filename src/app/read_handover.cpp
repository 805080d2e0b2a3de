#include "app/read_handover.h"

#include "common/lock.h"

namespace {

struct Handover {
  Lock lock;
  HidHandle read_handle = 0;  // ReadHandle: the handle the next read uses; 0 = none
  int32_t length = 0;         // the input report's length on read_handle
  HidHandle in_use = 0;       // the handle the receive thread reads on now; 0 = none
  HidHandle retired = 0;      // a handle retired while in use, still to be closed
  uint32_t generation = 0;    // counts the handles given over; names read_handle's
  uint32_t in_use_generation = 0;
  bool stopping = false;  // the receive loop is asked to end
};

// NOTE: allocated once and never freed, so the receive thread can still use it while the
// process exits.
Handover& State() {
  static Handover* state = new Handover();
  return *state;
}

}  // namespace

// Main thread: makes `handle` the new ReadHandle, read in reports of `length` bytes.
void PutReadHandle(HidHandle handle, int32_t length) {
  Handover& s = State();
  LockHold hold(s.lock);
  s.read_handle = handle;
  s.length = length;
  ++s.generation;
}

// Main thread: ReadHandle becomes 0; the old handle is closed by the last thread to leave it.
void RetireReadHandle() {
  Handover& s = State();
  HidHandle close_now = 0;
  {
    LockHold hold(s.lock);
    const HidHandle old = s.read_handle;
    s.read_handle = 0;
    if (old != 0 && old == s.in_use) {
      s.retired = old;
      // NOTE: woken under the lock, so the wake cannot reach a later read on another handle.
      WakeReceiveThread();
    } else {
      close_now = old;
    }
  }
  if (close_now != 0) CloseHidHandle(close_now);
}

// Main thread: wakes the receive thread again while it still reads on a retired handle.
void WakeRetiredRead() {
  Handover& s = State();
  LockHold hold(s.lock);
  if (s.retired != 0 && s.retired == s.in_use) WakeReceiveThread();
}

// Main thread: asks the receive loop to end and retires ReadHandle.
void RequestReceiveStop() {
  {
    Handover& s = State();
    LockHold hold(s.lock);
    s.stopping = true;
  }
  RetireReadHandle();
}

// Receive thread: returns ReadHandle with its generation and marks it in use.
ReadTicket AcquireReadHandle() {
  Handover& s = State();
  LockHold hold(s.lock);
  s.in_use = s.stopping ? 0 : s.read_handle;
  s.in_use_generation = s.generation;
  return ReadTicket{s.in_use, s.generation, s.length};
}

// Receive thread: the read is over; closes the handle if it was retired meanwhile. True when
// the handle read on is still ReadHandle.
bool ReleaseReadHandle() {
  Handover& s = State();
  HidHandle close_now = 0;
  bool current = false;
  {
    LockHold hold(s.lock);
    current = s.in_use != 0 && s.read_handle != 0 && s.in_use_generation == s.generation;
    if (s.retired != 0 && s.retired == s.in_use) {
      close_now = s.retired;
      s.retired = 0;
    }
    s.in_use = 0;
  }
  if (close_now != 0) CloseHidHandle(close_now);
  return current;
}

// Receive thread: true once RequestReceiveStop has run.
bool ReceiveStopRequested() {
  Handover& s = State();
  LockHold hold(s.lock);
  return s.stopping;
}

// Returns the current ReadHandle.
HidHandle CurrentReadHandle() {
  Handover& s = State();
  LockHold hold(s.lock);
  return s.read_handle;
}

// Resets the hand-over to its start-up state.
void ResetReadHandover() {
  Handover& s = State();
  LockHold hold(s.lock);
  s.read_handle = s.in_use = s.retired = 0;
  s.length = 0;
  s.generation = s.in_use_generation = 0;
  s.stopping = false;
}
