// Start-up marks for the bench: a program built for the bench notes the end of each step of its
// start-up (the performance counter and the step's name) in a page that bench_driver shares
// with it, named by the environment variable QUILL_STARTUP_TRACE. The driver sets the
// variable, starts the program, and reads the page once the window is seen. The counter is the
// same clock in every process, so the driver compares the marks with its own readings.
#pragma once

#include <windows.h>

#include <cstdint>

// The environment variable that names the page; without it MarkStartupStep does nothing.
constexpr const char* kStartupTraceVariable = "QUILL_STARTUP_TRACE";
constexpr int kMaxStartupMarks = 24;
constexpr int kStartupStepName = 24;

// One mark: the counter at the end of a step, and the step's name.
struct StartupMark {
  int64_t counter;
  char step[kStartupStepName];
};

// The shared page: marks in the order they were made; `count` is raised after each is whole.
struct StartupTrace {
  volatile LONG count;
  StartupMark marks[kMaxStartupMarks];
};

// Notes the end of a start-up step in the shared page, if the driver made one. The first mark,
// "loaded", is made before the program's static constructors; the last step before the program
// waits for its first message is called "ready".
void MarkStartupStep(const char* step);
