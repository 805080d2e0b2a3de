// What the program starts before its window, for the start-up floors: common controls, COM,
// and hid.dll then setupapi.dll loaded from the system directory.
#pragma once

#include <windows.h>

// The libraries that StartLikeTheProgram loaded, for EndLikeTheProgram.
struct ProgramStart {
  HMODULE hid = nullptr;
  HMODULE setupapi = nullptr;
};

// Starts common controls and COM and loads the two libraries, as the program does.
ProgramStart StartLikeTheProgram();
// Frees the libraries and ends COM.
void EndLikeTheProgram(const ProgramStart& start);
