// LibraryTable internals shared by the neutral binding logic and the platform loader.
#pragma once

#include <cstdint>

// How system libraries are loaded; the platform fills it with its real calls, tests with fakes.
struct LibraryLoader {
  // Loads a library by file name; returns its module handle, or 0 when it cannot be loaded.
  intptr_t (*load)(const char* file);
  // Returns the address of a function that the module exports, or 0.
  intptr_t (*find)(intptr_t module, const char* name);
  // Frees a module handle that load returned.
  void (*free)(intptr_t module);
};

// Identifiers of the two bound libraries; 0 until InitHidAccess has run.
extern int32_t HidLibrary;
extern int32_t SetupLibrary;

// Creates an empty LibraryTable that loads through `loader` (which must outlive the table),
// dropping any earlier table and clearing HidLibrary and SetupLibrary.
void CreateLibraryTableWith(const LibraryLoader& loader);
