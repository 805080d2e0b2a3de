// The presence monitor's clock and pause on Windows.
#include <windows.h>

#include "app/presence.h"

// Milliseconds since the system started (GetTickCount64 does not wrap).
uint64_t PresenceClockMs() {
  return GetTickCount64();
}

// Pauses the calling thread with Sleep.
void PresencePause(uint32_t ms) {
  Sleep(ms);
}
