// On a platform without system libraries the binding loads nothing and finds nothing.
#include <gtest/gtest.h>

#include "hid/hid.h"
#include "hid/library_table.h"

namespace {

TEST(HostLibraryTableTest, NothingIsBoundAndFreeingDoesNothing) {
  CreateLibraryTable();
  EXPECT_EQ(InitHidAccess(), 0);
  EXPECT_EQ(HidLibrary, 0);
  EXPECT_EQ(SetupLibrary, 0);
  EXPECT_EQ(GetLibraryFunction(HidLibrary, "HidD_GetHidGuid"), 0);
  FreeAllSystemLibraries();
}

}  // namespace
