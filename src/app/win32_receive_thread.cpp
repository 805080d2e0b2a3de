#include <windows.h>

#include "app/read_handover.h"
#include "app/receive.h"
#include "app/receive_thread.h"

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
  const ULONGLONG deadline = GetTickCount64() + limit_ms;
  bool ended = false;
  for (ULONGLONG now = GetTickCount64(); now < deadline; now = GetTickCount64()) {
    // NOTE: the thread may be waiting in SetWindowTextA for this thread to handle its text
    // change, so the wait keeps handling sent messages; it also repeats the wake, which may
    // have come just before the thread began its read.
    const DWORD slice = static_cast<DWORD>(deadline - now < 50 ? deadline - now : 50);
    const DWORD wait = MsgWaitForMultipleObjects(1, &receive_thread, FALSE, slice, QS_SENDMESSAGE);
    if (wait == WAIT_OBJECT_0) {
      ended = true;
      break;
    }
    if (wait == WAIT_OBJECT_0 + 1) {
      MSG msg;
      PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    } else if (wait == WAIT_TIMEOUT) {
      WakeRetiredRead();
    } else {
      break;
    }
  }
  CloseHandle(receive_thread);
  receive_thread = nullptr;
  return ended;
}
