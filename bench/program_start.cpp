#include "program_start.h"

#include <commctrl.h>
#include <objbase.h>

#include <string>

#include "startup_trace.h"

namespace {

// Loads a library from the system directory by full path; returns its module or null.
HMODULE LoadFromSystemDirectory(const char* file) {
  char directory[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  std::string path(directory, length);
  if (path.back() != '\\') path += '\\';
  path += file;
  return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

// Starts common controls and COM, then loads hid.dll and setupapi.dll.
ProgramStart StartLikeTheProgram() {
  INITCOMMONCONTROLSEX controls = {};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES;
  InitCommonControlsEx(&controls);
  InitCommonControls();
  CoInitialize(nullptr);
  MarkStartupStep("layer");
  ProgramStart start;
  start.hid = LoadFromSystemDirectory("hid.dll");
  start.setupapi = LoadFromSystemDirectory("setupapi.dll");
  MarkStartupStep("libraries");
  return start;
}

// Frees the two libraries and ends COM.
void EndLikeTheProgram(const ProgramStart& start) {
  if (start.setupapi != nullptr) FreeLibrary(start.setupapi);
  if (start.hid != nullptr) FreeLibrary(start.hid);
  CoUninitialize();
}
