// A DLL named hid.dll that must never be loaded by the program: it announces its loading
// by creating a named event.
#include <windows.h>

// Creates the announcement event when the DLL is loaded into a process.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) CreateEventA(nullptr, TRUE, TRUE, "QuillPlantedHidLoaded");
  return TRUE;
}

// Stands in for the real export so that a lookup by name would succeed.
extern "C" __declspec(dllexport) void WINAPI HidD_GetHidGuid(GUID* guid) {
  ZeroMemory(guid, sizeof(*guid));
}
