// ReadHandle and its hand-over between the main thread, which opens, replaces and closes it,
// and the receive thread, which reads on it.
//
// The receive thread never reads on a closed handle: a handle retired while a read is
// running on it is closed by whichever thread leaves it last, and the blocked read is woken.
// Neither thread ever waits for the other while holding the lock.
#pragma once

#include "hid/hid.h"

// What the receive thread reads on: ReadHandle, the number of the hand-over that gave it
// (handles are told apart by this number, since the platform reuses a closed handle's value),
// and the length of the interface's input report, ID byte included.
struct ReadTicket {
  HidHandle handle = 0;
  uint32_t generation = 0;
  int32_t length = 0;
};

// Main thread: makes `handle` the new ReadHandle (0 for none), under a new generation; each
// read on it asks for one input report of `length` bytes.
void PutReadHandle(HidHandle handle, int32_t length);
// Main thread: ReadHandle becomes 0; the old handle is closed now, or by the receive thread
// as soon as its read on it returns, which this wakes.
void RetireReadHandle();
// Main thread: wakes the receive thread again while it still reads on a retired handle
// (the wake may have come just before the read began).
void WakeRetiredRead();
// Main thread: asks the receive loop to end and retires ReadHandle.
void RequestReceiveStop();

// Receive thread: returns ReadHandle and its generation and marks it in use; handle 0 when
// there is none, or the loop is stopping.
ReadTicket AcquireReadHandle();
// Receive thread: the read on the handle of AcquireReadHandle is over; returns true when that
// handle is still ReadHandle (the main thread has not retired it, and so has not cancelled
// the read).
bool ReleaseReadHandle();
// Receive thread: true once RequestReceiveStop has run.
bool ReceiveStopRequested();

// Returns the current ReadHandle (for tests and diagnostics).
HidHandle CurrentReadHandle();
// Resets the hand-over to its start-up state (no handle, not stopping).
void ResetReadHandover();

// Platform: releases the receive thread from a blocked read, if it is in one. Called with the
// hand-over's lock held, so it must not block or call back into the hand-over.
void WakeReceiveThread();
