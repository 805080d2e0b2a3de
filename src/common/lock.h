// A lock for state shared between threads, over the platform's own primitive (an SRWLOCK on
// Windows, std::mutex on the host, where the sanitizers understand it), and a plain sleep.
#pragma once

#include <cstdint>

#if !defined(_WIN32)
#include <mutex>
#endif

class Lock {
 public:
  constexpr Lock() = default;
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

  // Waits until the lock is free and takes it.
  void Acquire();
  // Gives the lock back; only the thread that took it does so.
  void Release();

 private:
#if defined(_WIN32)
  void* word_ = nullptr;  // the SRWLOCK: one pointer-sized word, 0 while free
#else
  std::mutex mutex_;
#endif
};

// Holds a Lock for one scope.
class LockHold {
 public:
  explicit LockHold(Lock& lock) : lock_(lock) { lock_.Acquire(); }
  ~LockHold() { lock_.Release(); }
  LockHold(const LockHold&) = delete;
  LockHold& operator=(const LockHold&) = delete;

 private:
  Lock& lock_;
};

// Suspends the calling thread for at least `milliseconds`.
void SleepMilliseconds(uint32_t milliseconds);
