// LibraryTable: system libraries loaded by name, kept under ObjectTable numbers.
#include "hid/hid.h"
#include "hid/library_table.h"
#include "common/object_table.h"

#include <memory>

int32_t HidLibrary = 0;
int32_t SetupLibrary = 0;

namespace {

constexpr int32_t LIBRARY_SLOTS = 16;
constexpr int32_t LIBRARY_GROWTH = 16;

// One loaded library: its module handle, 0 while the record holds none.
struct LibraryRecord {
  intptr_t handle = 0;
};

std::unique_ptr<ObjectTable<LibraryRecord>> LibraryTable;
const LibraryLoader* ActiveLoader = nullptr;

}  // namespace

// Creates an empty LibraryTable bound to a loader.
void CreateLibraryTableWith(const LibraryLoader& loader) {
  LibraryTable = std::make_unique<ObjectTable<LibraryRecord>>(LIBRARY_SLOTS, LIBRARY_GROWTH);
  ActiveLoader = &loader;
  HidLibrary = 0;
  SetupLibrary = 0;
}

// Loads "hid.dll" then "setupapi.dll" (an import of the Windows exe as well); always returns 0.
int32_t InitHidAccess() {
  HidLibrary = LoadSystemLibrary(-1, "hid.dll");
  SetupLibrary = LoadSystemLibrary(-1, "setupapi.dll");
  return 0;
}

// Loads a library under a number (-1: automatic); returns its identifier, or 0 on failure.
// For an explicit number the result is nonzero on success (the module handle's low bits).
int32_t LoadSystemLibrary(int32_t number, const char* file) {
  if (!LibraryTable) return 0;
  if (number != -1 && LibraryTable->Find(number) != nullptr) FreeSystemLibrary(number);
  int32_t assigned = 0;
  LibraryRecord* record = LibraryTable->Claim(number, &assigned);
  if (record == nullptr || file == nullptr) return 0;
  const intptr_t module = ActiveLoader->load(file);
  if (module == 0) return 0;  // the empty entry stays and is passed over at exit
  record->handle = module;
  if (number == -1) return assigned;
  const int32_t low = static_cast<int32_t>(static_cast<uint32_t>(module));
  return low != 0 ? low : 1;
}

// Returns the address of a function exported by a loaded library, or 0.
intptr_t GetLibraryFunction(int32_t library, const char* name) {
  if (!LibraryTable || name == nullptr) return 0;
  const LibraryRecord* record = LibraryTable->Find(library);
  if (record == nullptr) return 0;
  return ActiveLoader->find(record->handle, name);
}

// Frees one library and removes its entry; names without a library are ignored.
void FreeSystemLibrary(int32_t library) {
  if (!LibraryTable) return;
  const LibraryRecord* record = LibraryTable->Find(library);
  if (record == nullptr) return;
  ActiveLoader->free(record->handle);
  LibraryTable->Release(library);
}

// Frees every library: numbered slots in number order, then automatic entries oldest first.
void FreeAllSystemLibraries() {
  if (!LibraryTable) return;
  for (const int32_t name : LibraryTable->Names()) FreeSystemLibrary(name);
}
