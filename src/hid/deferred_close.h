// Handles that a write given up by its caller may still be using, and the closes that wait
// for those writes. Such a handle must not be closed at once: on a synchronous handle the
// close would wait for the write, and a write that starts after the close would use a stale
// handle value.
#pragma once

#include <cstdint>

// A write on `handle` was given up while it may still be running.
void AddStuckWrite(intptr_t handle);
// A given-up write on `handle` has returned; true when the caller is now to close the handle
// (a close was asked for and no other given-up write uses it).
bool EndStuckWrite(intptr_t handle);
// Asks for a handle to be closed; true when the close is left to its last given-up write,
// false when no such write runs and the caller closes it now.
bool DeferClose(intptr_t handle);
