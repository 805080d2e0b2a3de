// LibraryTable on a platform without system libraries: nothing can be loaded.
#include "hid/hid.h"
#include "hid/library_table.h"

namespace {

// Returns 0: no library can be had here.
intptr_t LoadNothing(const char*) {
  return 0;
}
// Returns 0: no function can be had here.
intptr_t FindNothing(intptr_t, const char*) {
  return 0;
}
// Does nothing: no library was ever loaded.
void FreeNothing(intptr_t) {}

const LibraryLoader NoLibraries = {LoadNothing, FindNothing, FreeNothing};

}  // namespace

// Creates the empty LibraryTable.
void CreateLibraryTable() {
  CreateLibraryTableWith(NoLibraries);
}
