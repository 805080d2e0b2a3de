#include <windows.h>

#include "app/read_handover.h"
#include "app/receive.h"
#include "app/receive_thread.h"
#include "ui/ui.h"

namespace {

// The receive thread's handle; 0 until it is started.
HANDLE receive_thread = nullptr;

// The thread's entry: runs ReceiveLoop; the argument is not used.
DWORD WINAPI ReceiveThreadEntry(LPVOID) {
  ReceiveLoop();
  return 0;
}

}  // namespace

// Starts ReceiveLoop on a new thread.
bool StartReceiveThread() {
  receive_thread = CreateThread(nullptr, 0, ReceiveThreadEntry, nullptr, 0, nullptr);
  return receive_thread != nullptr;
}

// Releases the receive thread from a blocked synchronous read, if it is in one.
void WakeReceiveThread() {
  if (receive_thread != nullptr) CancelSynchronousIo(receive_thread);
}

// Asks the loop to end and waits for the thread while handling sent messages.
bool StopReceiveThread(uint32_t limit_ms) {
  if (receive_thread == nullptr) return true;
  RequestReceiveStop();
  // NOTE: the thread may be waiting in SetWindowTextA for this thread to handle its text
  // change, so the wait handles sent messages; between slices it repeats the wake, which may
  // have come just before the thread began its read.
  const ULONGLONG deadline = GetTickCount64() + limit_ms;
  bool ended = false;
  for (ULONGLONG now = GetTickCount64(); !ended && now < deadline; now = GetTickCount64()) {
    const uint32_t slice = static_cast<uint32_t>(deadline - now < 50 ? deadline - now : 50);
    ended = WaitHandlingSentMessages(reinterpret_cast<intptr_t>(receive_thread), slice);
    if (!ended) WakeRetiredRead();
  }
  CloseHandle(receive_thread);
  receive_thread = nullptr;
  return ended;
}
