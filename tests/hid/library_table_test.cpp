// LibraryTable over a fake loader: identifiers, calls on missing libraries, freeing order.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "hid/hid.h"
#include "hid/library_table.h"

namespace {

// What the fake loader offers and what it was asked.
struct FakeLoaderState {
  std::map<std::string, intptr_t> available;  // file -> module handle
  std::vector<std::string> loads;
  std::vector<std::string> finds;
  std::vector<intptr_t> frees;
};

FakeLoaderState* State = nullptr;

// Returns the module of an available file, else 0.
intptr_t FakeLoad(const char* file) {
  State->loads.push_back(file);
  const auto found = State->available.find(file);
  return found == State->available.end() ? 0 : found->second;
}

// Returns a made-up address for the one exported name "Known", else 0.
intptr_t FakeFind(intptr_t module, const char* name) {
  State->finds.push_back(name);
  return std::string(name) == "Known" ? module + 0x10 : 0;
}

// Records the freed module.
void FakeFree(intptr_t module) {
  State->frees.push_back(module);
}

const LibraryLoader FakeLoader = {FakeLoad, FakeFind, FakeFree};

constexpr intptr_t HID_MODULE = 0x10000;
constexpr intptr_t SETUP_MODULE = 0x20000;

class LibraryTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    State = &state_;
    state_.available = {{"hid.dll", HID_MODULE}, {"setupapi.dll", SETUP_MODULE}};
    CreateLibraryTableWith(FakeLoader);
  }
  FakeLoaderState state_;
};

TEST_F(LibraryTableTest, InitHidAccessLoadsHidThenSetupUnderDistinctIdentifiers) {
  EXPECT_EQ(InitHidAccess(), 0);
  EXPECT_EQ(state_.loads, (std::vector<std::string>{"hid.dll", "setupapi.dll"}));
  EXPECT_NE(HidLibrary, 0);
  EXPECT_NE(SetupLibrary, 0);
  EXPECT_NE(HidLibrary, SetupLibrary);
  EXPECT_EQ(GetLibraryFunction(HidLibrary, "Known"), HID_MODULE + 0x10);
  EXPECT_EQ(GetLibraryFunction(SetupLibrary, "Known"), SETUP_MODULE + 0x10);
}

TEST_F(LibraryTableTest, IdentifierZeroGivesZeroWithoutAsking) {
  InitHidAccess();
  EXPECT_EQ(GetLibraryFunction(0, "Known"), 0);
  EXPECT_TRUE(state_.finds.empty());
}

TEST_F(LibraryTableTest, UnknownNamesAndNullNamesGiveZero) {
  InitHidAccess();
  EXPECT_EQ(GetLibraryFunction(HidLibrary, "Missing"), 0);
  EXPECT_EQ(GetLibraryFunction(HidLibrary, nullptr), 0);
  EXPECT_EQ(GetLibraryFunction(SetupLibrary + 1000, "Known"), 0);
  EXPECT_EQ(GetLibraryFunction(-5, "Known"), 0);
}

TEST_F(LibraryTableTest, FailedLoadLeavesAnEmptyEntrySkippedAtExit) {
  state_.available.erase("hid.dll");
  InitHidAccess();
  EXPECT_EQ(HidLibrary, 0);
  EXPECT_NE(SetupLibrary, 0);
  EXPECT_EQ(GetLibraryFunction(HidLibrary, "Known"), 0);
  FreeAllSystemLibraries();
  EXPECT_EQ(state_.frees, (std::vector<intptr_t>{SETUP_MODULE}));
}

TEST_F(LibraryTableTest, NullFileNameLoadsNothing) {
  EXPECT_EQ(LoadSystemLibrary(-1, nullptr), 0);
  EXPECT_TRUE(state_.loads.empty());
}

TEST_F(LibraryTableTest, FreeAllFreesHidBeforeSetupEachOnce) {
  InitHidAccess();
  FreeAllSystemLibraries();
  FreeAllSystemLibraries();
  EXPECT_EQ(state_.frees, (std::vector<intptr_t>{HID_MODULE, SETUP_MODULE}));
  EXPECT_EQ(GetLibraryFunction(HidLibrary, "Known"), 0);
  EXPECT_NE(HidLibrary, 0);  // the identifiers are not cleared
}

TEST_F(LibraryTableTest, FreeAllWithNothingLoadedDoesNothing) {
  state_.available.clear();
  InitHidAccess();
  FreeAllSystemLibraries();
  EXPECT_TRUE(state_.frees.empty());
}

TEST_F(LibraryTableTest, NumberedSlotsAreFreedBeforeAutomaticEntries) {
  state_.available = {{"a.dll", 0xA0000}, {"b.dll", 0xB0000}, {"c.dll", 0xC0000}};
  EXPECT_NE(LoadSystemLibrary(-1, "a.dll"), 0);
  EXPECT_NE(LoadSystemLibrary(3, "b.dll"), 0);
  EXPECT_NE(LoadSystemLibrary(1, "c.dll"), 0);
  FreeAllSystemLibraries();
  EXPECT_EQ(state_.frees, (std::vector<intptr_t>{0xC0000, 0xB0000, 0xA0000}));
}

TEST_F(LibraryTableTest, ReusingANumberFreesTheOldLibrary) {
  state_.available = {{"a.dll", 0xA0000}, {"b.dll", 0xB0000}};
  LoadSystemLibrary(2, "a.dll");
  LoadSystemLibrary(2, "b.dll");
  EXPECT_EQ(state_.frees, (std::vector<intptr_t>{0xA0000}));
  EXPECT_EQ(GetLibraryFunction(2, "Known"), 0xB0000 + 0x10);
}

TEST_F(LibraryTableTest, FreeingOneLibraryInvalidatesOnlyItsIdentifier) {
  InitHidAccess();
  FreeSystemLibrary(HidLibrary);
  FreeSystemLibrary(HidLibrary);
  EXPECT_EQ(state_.frees, (std::vector<intptr_t>{HID_MODULE}));
  EXPECT_EQ(GetLibraryFunction(HidLibrary, "Known"), 0);
  EXPECT_EQ(GetLibraryFunction(SetupLibrary, "Known"), SETUP_MODULE + 0x10);
}

TEST_F(LibraryTableTest, NegativeNumbersOtherThanAutomaticAreRefused) {
  EXPECT_EQ(LoadSystemLibrary(-2, "hid.dll"), 0);
  EXPECT_TRUE(state_.loads.empty());
}

}  // namespace
