// A write bounded in time: WriteFile runs on a writer thread while the calling window thread
// waits, still answering messages sent to its windows. The writer thread is kept for the next
// write; a writer stuck in an abandoned write is left to finish it and then ends by itself.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "hid/deferred_close.h"
#include "hid/hid.h"

namespace {

// A writer thread and the one write it works on, shared by the caller and the thread.
struct Writer {
  HANDLE thread = nullptr;
  HANDLE start = nullptr;   // auto-reset: a write is ready, or the writer is to end
  HANDLE done = nullptr;    // auto-reset: the write has finished
  LONG references = 2;      // the caller's and the thread's
  LONG abandoned = 0;       // the caller has given the writer up
  bool stuck = false;       // given up during a write, registered as a stuck write
  HANDLE target = nullptr;  // the write: handle, bytes and the count written
  std::vector<uint8_t> bytes;
  DWORD written = 0;
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
    WriteFile(writer->target, writer->bytes.data(), static_cast<DWORD>(writer->bytes.size()),
              &written, nullptr);
    writer->written = written;
    SetEvent(writer->done);
    if (Abandoned(writer)) break;
  }
  // A close of the handle asked for while this write ran was left to this thread.
  const intptr_t target = reinterpret_cast<intptr_t>(writer->target);
  if (writer->stuck && EndStuckWrite(target)) CloseHandle(writer->target);
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
// a write keeps its handle from being closed until the write has returned.
void AbandonWriter(Writer* writer, bool during_write) {
  if (during_write) {
    writer->stuck = true;
    AddStuckWrite(reinterpret_cast<intptr_t>(writer->target));
  }
  InterlockedExchange(&writer->abandoned, 1);
  SetEvent(writer->start);
  ReleaseWriter(writer);
}

// The writer kept for the next write; only the window thread writes.
Writer* idle_writer = nullptr;

}  // namespace

// Writes one output report within limit_ms; returns the bytes written, or 0 when the write
// failed or did not finish in time (it is then cancelled).
int32_t WriteHidDeviceWithin(HidHandle handle, const void* buffer, int32_t count, uint32_t limit_ms,
                             WaitForObjectFn wait) {
  if (handle == 0 || buffer == nullptr || count <= 0 || wait == nullptr) return 0;
  if (idle_writer == nullptr) idle_writer = StartWriter();
  Writer* writer = idle_writer;
  if (writer == nullptr) return 0;
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  writer->target = reinterpret_cast<HANDLE>(handle);
  writer->bytes.assign(bytes, bytes + count);
  writer->written = 0;
  SetEvent(writer->start);
  if (wait(reinterpret_cast<intptr_t>(writer->done), limit_ms))
    return static_cast<int32_t>(writer->written);
  // NOTE: CancelSynchronousIo fails when the writer has not yet entered WriteFile; the write
  // then ends on its own.
  CancelSynchronousIo(writer->thread);
  if (WaitForSingleObject(writer->done, 0) == WAIT_OBJECT_0) {
    return static_cast<int32_t>(writer->written);
  }
  // The writer still owns its write; the next write gets a new writer.
  idle_writer = nullptr;
  AbandonWriter(writer, true);
  return 0;
}

// Ends the writer thread kept between bounded writes.
void StopHidWriter() {
  if (idle_writer == nullptr) return;
  AbandonWriter(idle_writer, false);
  idle_writer = nullptr;
}
