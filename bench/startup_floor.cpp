// The fair start-up floor: what the program cannot help doing before its window shows, and
// nothing more. It imports the same system DLLs (comctl32, gdi32, kernel32, msvcrt, ole32,
// setupapi, user32), carries the same manifest (common controls 6), starts common controls and
// COM, loads hid.dll then setupapi.dll from the system directory by full path, and shows an
// empty window titled "STARTUP FLOOR" with a 280x300 client area; runs until it is closed.
#include <windows.h>
#include <setupapi.h>

#include "empty_window_loop.h"
#include "program_start.h"
#include "startup_trace.h"

namespace {

// NOTE: the program links these at load; taking their addresses keeps setupapi.dll and
// gdi32.dll among the floor's imports, though it calls none of them.
auto* volatile g_linked_get_class_devs = &SetupDiGetClassDevsA;
auto* volatile g_linked_destroy_list = &SetupDiDestroyDeviceInfoList;
auto* volatile g_linked_stock_object = &GetStockObject;

}  // namespace

// Starts what the program starts, shows the empty window and runs the message loop.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  MarkStartupStep("entry");
  const ProgramStart start = StartLikeTheProgram();
  const int code = RunEmptyWindow(instance, "BenchStartupFloor", "STARTUP FLOOR");
  EndLikeTheProgram(start);
  return code;
}
