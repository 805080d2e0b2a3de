#include "hid/deferred_close.h"

#include <map>
#include <mutex>

namespace {

struct StuckHandle {
  int writes = 0;      // given-up writes that may still run on the handle
  bool close = false;  // a close waits for them
};

struct StuckWrites {
  std::mutex lock;
  std::map<intptr_t, StuckHandle> handles;
};

// NOTE: never freed, so a write still running at process exit can report its end.
StuckWrites& State() {
  static StuckWrites* state = new StuckWrites();
  return *state;
}

}  // namespace

// A write on `handle` was given up while it may still be running.
void AddStuckWrite(intptr_t handle) {
  StuckWrites& s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  ++s.handles[handle].writes;
}

// A given-up write has returned; true when the handle is now to be closed.
bool EndStuckWrite(intptr_t handle) {
  StuckWrites& s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  auto it = s.handles.find(handle);
  if (it == s.handles.end()) return false;
  if (--it->second.writes > 0) return false;
  const bool close = it->second.close;
  s.handles.erase(it);
  return close;
}

// Asks for a handle to be closed; true when the close is left to its last given-up write.
bool DeferClose(intptr_t handle) {
  StuckWrites& s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  auto it = s.handles.find(handle);
  if (it == s.handles.end()) return false;
  it->second.close = true;
  return true;
}
