// The start-up baseline: a bare top-level window titled "EMPTY WINDOW" with a 280x300 client
// area and no children, shown at once; runs until the window is closed.
#include "empty_window_loop.h"
#include "startup_trace.h"

// Shows the empty window; returns the quit code.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  MarkStartupStep("entry");
  return RunEmptyWindow(instance, "BenchEmptyWindow", "EMPTY WINDOW");
}
