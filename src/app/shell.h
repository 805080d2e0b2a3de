// The program's start-up, main window, event loop and shutdown.
#pragma once

#include <cstdint>

// MainWindow, ValueFont and PresenceTimer.
constexpr int32_t MAIN_WINDOW = 0;
constexpr int32_t VALUE_FONT = 2;
constexpr int32_t PRESENCE_TIMER = 2;
constexpr uint32_t PRESENCE_PERIOD_MS = 500;

// Runs the whole program on the main thread; returns the exit code, 0.
int RunQuillomatic();
// Builds MainWindow, invisible, with its fifteen gadgets, font and colour, then shows it.
void BuildMainWindow();
// Runs the event loop until the window is asked to close.
void RunEventLoop();
