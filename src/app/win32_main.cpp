#include <windows.h>

#include "app/shell.h"

// The process entry: runs the program and ends the process with its exit code.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // NOTE: ExitProcess ends a receive thread that could not be stopped.
  ExitProcess(static_cast<UINT>(RunQuillomatic()));
}
