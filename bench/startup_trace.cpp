#include "startup_trace.h"

namespace {

StartupTrace* g_trace = nullptr;
bool g_looked = false;

// Maps the page that QUILL_STARTUP_TRACE names; null when there is none.
StartupTrace* OpenTrace() {
  char name[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableA(kStartupTraceVariable, name, sizeof name);
  if (length == 0 || length >= sizeof name) return nullptr;
  HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name);
  if (mapping == nullptr) return nullptr;
  // NOTE: the view keeps the page alive; the handle is left to the process exit.
  return static_cast<StartupTrace*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
}

}  // namespace

// The first mark opens the page before it reads the counter, so that the opening counts in
// the process's start, which the driver measures from outside, and in no step of its own.
void MarkStartupStep(const char* step) {
  if (!g_looked) {
    g_looked = true;
    g_trace = OpenTrace();
  }
  if (g_trace == nullptr || g_trace->count >= kMaxStartupMarks) return;
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  StartupMark& mark = g_trace->marks[g_trace->count];
  mark.counter = now.QuadPart;
  lstrcpynA(mark.step, step, kStartupStepName);
  MemoryBarrier();
  InterlockedIncrement(&g_trace->count);
}

// The first code of the program's own to run, before its other static constructors: from here
// to the "entry" mark is the C runtime's start and the program's static initialisation; before
// it, the system's creation of the process and loading of its DLLs.
__attribute__((constructor(101))) void MarkLoaded() {
  MarkStartupStep("loaded");
}
