// A write bounded in time: WriteFile runs on a short-lived worker thread while the calling
// window thread waits, still answering messages sent to its windows.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "hid/hid.h"

namespace {

// The worker's own copy of one write; it outlives the caller when the write is abandoned.
struct PendingWrite {
  HANDLE handle;
  std::vector<uint8_t> bytes;
};

// Closes a thread handle when it goes out of scope.
class ThreadHandle {
 public:
  explicit ThreadHandle(HANDLE handle) : handle_(handle) {}
  ~ThreadHandle() {
    if (handle_ != nullptr) CloseHandle(handle_);
  }
  ThreadHandle(const ThreadHandle&) = delete;
  ThreadHandle& operator=(const ThreadHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// Worker: performs the write, frees its copy and returns the bytes written as its exit code.
DWORD WINAPI RunPendingWrite(LPVOID parameter) {
  const std::unique_ptr<PendingWrite> write(static_cast<PendingWrite*>(parameter));
  DWORD written = 0;
  WriteFile(write->handle, write->bytes.data(), static_cast<DWORD>(write->bytes.size()), &written,
            nullptr);
  return written;
}

// Returns the bytes written by a finished worker.
int32_t FinishedCount(HANDLE thread) {
  DWORD code = 0;
  if (!GetExitCodeThread(thread, &code)) return 0;
  return static_cast<int32_t>(code);
}

// Waits until the worker ends or limit_ms pass, handling sent messages meanwhile; returns
// whether the worker ended.
bool WaitHandlingSentMessages(HANDLE thread, uint32_t limit_ms) {
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    const ULONGLONG elapsed = GetTickCount64() - start;
    if (elapsed >= limit_ms) return false;
    const DWORD left = static_cast<DWORD>(limit_ms - elapsed);
    const DWORD woke = MsgWaitForMultipleObjects(1, &thread, FALSE, left, QS_SENDMESSAGE);
    if (woke == WAIT_OBJECT_0) return true;
    if (woke != WAIT_OBJECT_0 + 1) return false;
    // NOTE: PM_QS_SENDMESSAGE with PM_NOREMOVE delivers sent messages only; posted input stays
    // queued for the event loop.
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

}  // namespace

// Writes one output report within limit_ms; returns the bytes written, or 0 when the write
// failed or did not finish in time (it is then cancelled).
int32_t WriteHidDeviceWithin(HidHandle handle, const void* buffer, int32_t count,
                             uint32_t limit_ms) {
  if (handle == 0 || buffer == nullptr || count <= 0) return 0;
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  auto write = std::make_unique<PendingWrite>();
  write->handle = reinterpret_cast<HANDLE>(handle);
  write->bytes.assign(bytes, bytes + count);
  const ThreadHandle thread(CreateThread(nullptr, 0, RunPendingWrite, write.get(), 0, nullptr));
  if (thread.get() == nullptr) return 0;
  write.release();  // the worker owns its copy from here on
  if (WaitHandlingSentMessages(thread.get(), limit_ms)) return FinishedCount(thread.get());
  // NOTE: CancelSynchronousIo fails when the worker has not yet entered WriteFile; the write
  // then ends on its own and the worker still frees its copy.
  CancelSynchronousIo(thread.get());
  if (WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0) return FinishedCount(thread.get());
  return 0;
}
