// Handles that a write given up by its caller may still be using, and the closes that wait
// for those writes. Such a handle must not be closed at once: on a synchronous handle the
// close would wait for the write, and a write that starts after the close would use a stale
// handle value. A handle has at most one given-up write, and at most MAX_STUCK_WRITES are
// kept at once. Safe from any thread: the writer threads end their own entries.
#pragma once

#include <cstdint>

// Given-up writes kept at once; a caller starts no write while all are taken.
constexpr int32_t MAX_STUCK_WRITES = 8;

// A write on `handle` was given up while it may still be running; returns its entry for
// EndStuckWrite, or -1 when all entries are taken. Only the thread that writes calls this.
int32_t AddStuckWrite(intptr_t handle);
// The given-up write of an entry has returned; true when the caller is now to close the
// handle (a close was asked for meanwhile).
bool EndStuckWrite(int32_t entry);
// True while a given-up write may still run on `handle`.
bool HasStuckWrite(intptr_t handle);
// True while every entry holds a given-up write.
bool StuckWritesFull();
// Asks for a handle to be closed; true when the close is left to its given-up write,
// false when no such write runs and the caller closes it now.
bool DeferClose(intptr_t handle);
