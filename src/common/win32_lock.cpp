// Lock and sleep over the platform's slim reader/writer lock and Sleep, used exclusively.
#include <windows.h>

#include "common/lock.h"

static_assert(sizeof(SRWLOCK) == sizeof(void*), "an SRWLOCK is one pointer-sized word");

// Takes the lock exclusively.
void Lock::Acquire() {
  AcquireSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&word_));
}

// Gives the exclusively held lock back.
void Lock::Release() {
  ReleaseSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&word_));
}

// Suspends the calling thread with Sleep.
void SleepMilliseconds(uint32_t milliseconds) {
  Sleep(milliseconds);
}
