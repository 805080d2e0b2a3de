// The bare window that the start-up baselines show: no children, a 280x300 client area.
#pragma once

#include <windows.h>

// Registers a class, shows an empty window titled `title` and runs the message loop until it
// is closed; returns the quit code, or 1 when the window could not be made.
int RunEmptyWindow(HINSTANCE instance, const char* class_name, const char* title);
