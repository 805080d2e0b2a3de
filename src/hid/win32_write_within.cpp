// A write bounded in time: WriteFile runs on a writer thread while the calling window thread
// waits, still answering messages sent to its windows. The writer thread is kept for the next
// write; a writer stuck in an abandoned write is left to finish it and then ends by itself.
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "hid/deferred_close.h"
#include "hid/hid.h"

namespace {

// The longest report a bounded write takes: a full-speed HID report of 64 bytes and its ID.
constexpr int32_t MAX_WRITE_BYTES = 65;
// After a cancel, how long the writer is given to return, and in how many tries.
constexpr uint32_t CANCEL_GRACE_MS = 200;
constexpr uint32_t CANCEL_TRIES = 4;

// A writer thread and the one write it works on, shared by the caller and the thread.
struct Writer {
  HANDLE thread = nullptr;
  HANDLE start = nullptr;    // auto-reset: a write is ready, or the writer is to end
  HANDLE done = nullptr;     // auto-reset: the write has finished
  LONG references = 2;       // the caller's and the thread's
  LONG abandoned = 0;        // the caller has given the writer up
  int32_t stuck_entry = -1;  // given up during a write: its entry among the stuck writes
  HANDLE target = nullptr;   // the write: handle, bytes, and the count written with its error
  uint8_t bytes[MAX_WRITE_BYTES] = {};
  DWORD count = 0;
  DWORD written = 0;
  DWORD error = 0;
};

// Drops one reference; the last one frees the writer and its handles.
void ReleaseWriter(Writer* writer) {
  if (InterlockedDecrement(&writer->references) != 0) return;
  if (writer->thread != nullptr) CloseHandle(writer->thread);
  if (writer->start != nullptr) CloseHandle(writer->start);
  if (writer->done != nullptr) CloseHandle(writer->done);
  delete writer;
}

// True once the caller has given the writer up.
bool Abandoned(Writer* writer) {
  return InterlockedCompareExchange(&writer->abandoned, 0, 0) != 0;
}

// The writer thread: performs each write it is given until the caller abandons it.
DWORD WINAPI RunWriter(LPVOID parameter) {
  Writer* writer = static_cast<Writer*>(parameter);
  for (;;) {
    WaitForSingleObject(writer->start, INFINITE);
    if (Abandoned(writer)) break;
    DWORD written = 0;
    const BOOL ok = WriteFile(writer->target, writer->bytes, writer->count, &written, nullptr);
    writer->error = ok ? ERROR_SUCCESS : GetLastError();
    writer->written = written;
    SetEvent(writer->done);
    if (Abandoned(writer)) break;
  }
  // A close of the handle asked for while this write ran was left to this thread.
  if (EndStuckWrite(writer->stuck_entry)) CloseHandle(writer->target);
  ReleaseWriter(writer);
  return 0;
}

// Returns a new writer with its thread running, or null.
Writer* StartWriter() {
  Writer* writer = new Writer();
  writer->start = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  writer->done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (writer->start != nullptr && writer->done != nullptr) {
    writer->thread = CreateThread(nullptr, 0, RunWriter, writer, 0, nullptr);
  }
  if (writer->thread == nullptr) {
    writer->references = 1;
    ReleaseWriter(writer);
    return nullptr;
  }
  return writer;
}

// Gives a writer up: it ends as soon as its write (if any) returns. A writer given up during
// a write (stuck_entry not -1) keeps its handle from being closed until the write returns.
void AbandonWriter(Writer* writer, int32_t stuck_entry) {
  writer->stuck_entry = stuck_entry;
  InterlockedExchange(&writer->abandoned, 1);
  SetEvent(writer->start);
  ReleaseWriter(writer);
}

// Cancels the writer's write and gives it a short time to return, still waiting with `wait`;
// true when it returned.
bool CancelWrite(Writer* writer, WaitForObjectFn wait) {
  // NOTE: CancelSynchronousIo fails while the writer has not yet entered WriteFile, so the
  // cancel is repeated within the grace time.
  for (uint32_t i = 0; i < CANCEL_TRIES; ++i) {
    CancelSynchronousIo(writer->thread);
    if (wait(reinterpret_cast<intptr_t>(writer->done), CANCEL_GRACE_MS / CANCEL_TRIES)) {
      return true;
    }
  }
  return false;
}

// Stores an error code in the caller's slot, if one was given.
void Report(uint32_t* error, DWORD code) {
  if (error != nullptr) *error = code;
}

// The writer kept for the next write; only the window thread writes.
Writer* idle_writer = nullptr;

}  // namespace

// Writes one output report within limit_ms; returns the bytes written, or 0 when the write
// failed, did not finish in time (it is then cancelled), or was refused because a given-up
// write still runs on the handle.
int32_t WriteHidDeviceWithin(HidHandle handle, const void* buffer, int32_t count, uint32_t limit_ms,
                             WaitForObjectFn wait, uint32_t* error) {
  if (handle == 0 || buffer == nullptr || count <= 0 || count > MAX_WRITE_BYTES ||
      wait == nullptr) {
    return 0;
  }
  // NOTE: a synchronous handle serialises its I/O, so a write behind a given-up one would
  // only queue behind it and park one more thread.
  if (HasStuckWrite(handle) || StuckWritesFull()) {
    Report(error, ERROR_BUSY);
    return 0;
  }
  if (idle_writer == nullptr) idle_writer = StartWriter();
  Writer* writer = idle_writer;
  if (writer == nullptr) {
    Report(error, ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  writer->target = reinterpret_cast<HANDLE>(handle);
  std::memcpy(writer->bytes, buffer, static_cast<size_t>(count));
  writer->count = static_cast<DWORD>(count);
  writer->written = 0;
  writer->error = ERROR_SUCCESS;
  SetEvent(writer->start);
  if (wait(reinterpret_cast<intptr_t>(writer->done), limit_ms) || CancelWrite(writer, wait)) {
    Report(error, writer->error);
    return static_cast<int32_t>(writer->written);
  }
  // The writer still owns its write; the next write gets a new writer.
  idle_writer = nullptr;
  AbandonWriter(writer, AddStuckWrite(handle));
  Report(error, ERROR_TIMEOUT);
  return 0;
}

// Ends the writer thread kept between bounded writes.
void StopHidWriter() {
  if (idle_writer == nullptr) return;
  AbandonWriter(idle_writer, -1);
  idle_writer = nullptr;
}
