// The Windows loader behind LibraryTable: system libraries come from the system directory only.
#include <windows.h>

#include <string>
#include <vector>

#include "hid/hid.h"
#include "hid/library_table.h"

namespace {

// Returns "<system directory>\<file>", or the empty text when the directory cannot be had.
std::string SystemDirectoryPath(const char* file) {
  const UINT needed = GetSystemDirectoryA(nullptr, 0);
  if (needed == 0) return std::string();
  std::vector<char> directory(needed + 1);
  const UINT length = GetSystemDirectoryA(directory.data(), static_cast<UINT>(directory.size()));
  if (length == 0 || length >= directory.size()) return std::string();
  std::string path(directory.data(), length);
  if (path.back() != '\\') path += '\\';
  return path + file;
}

// Loads a library from the system directory by full path; returns its module or 0.
// NOTE: never by bare name, so a same-named DLL beside the exe or in the current folder is
// not loaded; LOAD_WITH_ALTERED_SEARCH_PATH resolves its own imports from the system
// directory as well.
intptr_t LoadFromSystemDirectory(const char* file) {
  const std::string path = SystemDirectoryPath(file);
  if (path.empty()) return 0;
  return reinterpret_cast<intptr_t>(
      LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

// Returns the address of an exported function, or 0.
intptr_t FindExport(intptr_t module, const char* name) {
  return reinterpret_cast<intptr_t>(GetProcAddress(reinterpret_cast<HMODULE>(module), name));
}

// Frees a loaded module.
void ReleaseModule(intptr_t module) {
  FreeLibrary(reinterpret_cast<HMODULE>(module));
}

const LibraryLoader SystemLoader = {LoadFromSystemDirectory, FindExport, ReleaseModule};

}  // namespace

// Creates the empty LibraryTable over the system-directory loader.
void CreateLibraryTable() {
  CreateLibraryTableWith(SystemLoader);
}
