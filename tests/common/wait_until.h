// The tests' one wait for a condition: asked again every poll interval until it holds or the
// time is up. Plain C++ (no windows.h), so that the host tests, the Windows test programs, the
// board's installer and the benches all wait alike.
#pragma once

#include <chrono>
#include <thread>

// Asks `done` every `poll_ms` until it holds or `timeout_ms` has passed; returns its last answer.
template <typename Done>
bool WaitUntil(Done done, long timeout_ms, long poll_ms = 10) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(poll_ms));
  }
}
