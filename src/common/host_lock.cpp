// Lock and sleep on the host: std::mutex and std::this_thread, which the sanitizers follow.
#include <chrono>
#include <thread>

#include "common/lock.h"

// Takes the mutex.
void Lock::Acquire() {
  mutex_.lock();
}

// Gives the mutex back.
void Lock::Release() {
  mutex_.unlock();
}

// Suspends the calling thread with std::this_thread::sleep_for.
void SleepMilliseconds(uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
