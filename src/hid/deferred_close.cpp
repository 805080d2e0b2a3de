#include "hid/deferred_close.h"

#include <atomic>

namespace {

// Each entry is one word: 0 when free, else the handle with its state in the two low bits.
// NOTE: the platform's handle values are multiples of 4 (the two low bits are free for
// tagging), so handle and state change together in one atomic step.
constexpr intptr_t RUNNING = 1;      // the write may still run
constexpr intptr_t CLOSE_ASKED = 2;  // it may still run, and the handle is to be closed after it
constexpr intptr_t STATE_BITS = 3;

std::atomic<intptr_t> entries[MAX_STUCK_WRITES];

}  // namespace

// Takes a free entry for a given-up write on `handle`; -1 when none is free.
int32_t AddStuckWrite(intptr_t handle) {
  if ((handle & STATE_BITS) != 0 || handle == 0) return -1;
  for (int32_t i = 0; i < MAX_STUCK_WRITES; ++i) {
    intptr_t free_word = 0;
    if (entries[i].compare_exchange_strong(free_word, handle | RUNNING)) return i;
  }
  return -1;
}

// Frees an entry; true when a close of its handle was asked for meanwhile.
bool EndStuckWrite(int32_t entry) {
  if (entry < 0 || entry >= MAX_STUCK_WRITES) return false;
  return (entries[entry].exchange(0) & STATE_BITS) == CLOSE_ASKED;
}

// True while an entry holds `handle`.
bool HasStuckWrite(intptr_t handle) {
  for (const std::atomic<intptr_t>& entry : entries) {
    const intptr_t word = entry.load();
    if (word != 0 && (word & ~STATE_BITS) == handle) return true;
  }
  return false;
}

// True while no entry is free.
bool StuckWritesFull() {
  for (const std::atomic<intptr_t>& entry : entries) {
    if (entry.load() == 0) return false;
  }
  return true;
}

// Leaves the close to a given-up write still running on the handle, if there is one.
bool DeferClose(intptr_t handle) {
  if ((handle & STATE_BITS) != 0 || handle == 0) return false;
  for (std::atomic<intptr_t>& entry : entries) {
    intptr_t running = handle | RUNNING;
    if (entry.compare_exchange_strong(running, handle | CLOSE_ASKED)) return true;
    if (running == (handle | CLOSE_ASKED)) return true;  // already left to the write
  }
  return false;
}
