// The interface scan against the simulated SetupAPI.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "fake_setupapi.h"
#include "hid/hid_lookup.h"

namespace {

constexpr uint16_t PRODUCT = 0xEF22;
constexpr uint16_t VENDOR = 0xAAAA;

// Returns an interface with the given identifiers that opens either way.
FakeInterface Device(const std::string& path, uint16_t vendor, uint16_t product,
                     uint16_t version = 0x0100) {
  FakeInterface device;
  device.path = path;
  device.vendor = vendor;
  device.product = product;
  device.version = version;
  return device;
}

// Returns the device this program looks for.
FakeInterface Quill(const std::string& path) {
  return Device(path, VENDOR, PRODUCT);
}

// Returns a framing with these report lengths, ID byte included, and output report IDs.
HidFraming Framing(uint16_t output, uint16_t input, uint8_t ids = 0, uint16_t page = 0xFF00) {
  HidFraming framing;
  framing.output_length = output;
  framing.input_length = input;
  framing.output_report_ids = ids;
  framing.output_report_id = ids != 0 ? 2 : 0;
  framing.usage_page = page;
  return framing;
}

// Returns some other HID device.
FakeInterface Other(const std::string& path) {
  return Device(path, 0x046D, 0xC077);
}

class HidLookupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseFakeSetupApi(&fake_);
    platform_ = FakeHidPlatform();
  }
  void TearDown() override {
    EXPECT_EQ(fake_.bad_closes, 0);
    EXPECT_EQ(fake_.bad_records, 0);
    EXPECT_EQ(fake_.destroyed.size(), fake_.sets_made);
  }
  // Returns FindHidDevice's result for the program's device with any version.
  int32_t Find() { return FindHidDeviceWith(platform_, PRODUCT, VENDOR, HID_ANY_VERSION); }
  // Returns OpenHidDevice's result for the program's device with any version.
  HidHandle Open() { return OpenHidDeviceWith(platform_, PRODUCT, VENDOR, HID_ANY_VERSION); }
  // Returns the interface index that an open handle belongs to, or -1.
  int IndexOf(HidHandle handle) {
    const auto open = fake_.open_handles.find(handle);
    return open == fake_.open_handles.end() ? -1 : static_cast<int>(open->second);
  }

  FakeSetupApi fake_;
  HidPlatform platform_{};
};

TEST_F(HidLookupTest, NoInterfacesFindsNothingAndDestroysTheSet) {
  EXPECT_EQ(Find(), 0);
  EXPECT_EQ(Open(), 0);
  EXPECT_EQ(fake_.destroyed, (std::vector<intptr_t>{FAKE_SET, FAKE_SET}));
  EXPECT_TRUE(fake_.creates.empty());
}

TEST_F(HidLookupTest, ClassDevsZeroStopsAtOnce) {
  fake_.set_result = 0;
  EXPECT_EQ(Find(), 0);
  EXPECT_EQ(Open(), 0);
  const std::vector<std::string> once = {"HidD_GetHidGuid", "SetupDiGetClassDevsA"};
  std::vector<std::string> twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(fake_.calls, twice);
}

TEST_F(HidLookupTest, ClassDevsInvalidHandleEndsAtFirstEnumerationAndIsDestroyed) {
  fake_.set_result = FAKE_INVALID_HANDLE;
  fake_.interfaces = {Quill("a")};
  EXPECT_EQ(Find(), 0);
  EXPECT_EQ(Open(), 0);
  EXPECT_EQ(fake_.destroyed, (std::vector<intptr_t>{FAKE_INVALID_HANDLE, FAKE_INVALID_HANDLE}));
  EXPECT_TRUE(fake_.creates.empty());
}

TEST_F(HidLookupTest, QueryOnlyDeviceIsFoundButNotOpened) {
  fake_.interfaces = {Quill("a")};
  fake_.interfaces[0].read_write_open = false;
  EXPECT_EQ(Find(), 1);
  EXPECT_EQ(Open(), 0);
  fake_.interfaces.push_back(Quill("b"));
  EXPECT_EQ(IndexOf(Open()), 1);
}

// Only the device itself refusing the open (another program holds it) counts as refused: not
// another device that refuses (a keyboard), nor the device failing for another reason.
TEST_F(HidLookupTest, ARefusalIsTheDevicesOwnSharingViolationOrAccessDenied) {
  FakeInterface keyboard = Other("k");
  keyboard.read_write_open = false;
  FakeInterface held = Quill("a");
  held.read_write_open = false;
  held.refusal = 32;
  bool refused = false;
  const auto open = [&](const char* path) {
    return OpenHidDeviceAtWith(platform_, path, PRODUCT, VENDOR, HID_ANY_VERSION, &refused);
  };
  fake_.interfaces = {keyboard, held};
  EXPECT_EQ(open("a"), 0);
  EXPECT_TRUE(refused);
  EXPECT_EQ(open("k"), 0);
  EXPECT_FALSE(refused);
  fake_.interfaces[1].refusal = 2;  // ERROR_FILE_NOT_FOUND: going, not held
  EXPECT_EQ(open("a"), 0);
  EXPECT_FALSE(refused);
  EXPECT_TRUE(fake_.open_handles.empty());
}

// The handles are opened on the path the lookup found, not on the first match.
TEST_F(HidLookupTest, AnOpenAtAPathOpensThatInterfaceOnly) {
  fake_.interfaces = {Quill("a"), Quill("b"), Other("x")};
  std::string found;
  EXPECT_EQ(FindHidDeviceWith(platform_, PRODUCT, VENDOR, HID_ANY_VERSION, &found), 1);
  EXPECT_EQ(found, "a");
  EXPECT_EQ(IndexOf(OpenHidDeviceAtWith(platform_, "b", PRODUCT, VENDOR, HID_ANY_VERSION)), 1);
  EXPECT_EQ(OpenHidDeviceAtWith(platform_, "x", PRODUCT, VENDOR, HID_ANY_VERSION), 0);
  EXPECT_EQ(fake_.open_handles.size(), 1u);
  EXPECT_EQ(IndexOf(OpenHidProbeWith(platform_, "b", PRODUCT, VENDOR, HID_ANY_VERSION)), 1);
  EXPECT_EQ(fake_.creates.back().access, QUERY_ACCESS) << "a probe opened for reading or writing";
}

// A composite board: of its matching interfaces that open, the one whose reports are the
// console's is kept, the others closed; without one, the first that opens; a foreign device
// is never opened for reading and writing.
TEST_F(HidLookupTest, TheChoiceKeepsTheInterfaceOfTheConsolesReportsElseTheFirstThatOpens) {
  FakeInterface refusing = Quill("k"), consumer = Quill("c"), console = Quill("q");
  refusing.read_write_open = false;
  consumer.framing = Framing(0, 3);
  console.framing = Framing(9, 5);
  HidChosen chosen;
  const std::string& path = chosen.path;
  const HidChoice& choice = chosen.choice;
  const auto choose = [&] {
    return IndexOf(ChooseHidDeviceWith(platform_, PRODUCT, VENDOR, HID_ANY_VERSION, &chosen));
  };
  fake_.interfaces = {Other("x"), refusing, consumer, console};
  EXPECT_EQ(choose(), 3);
  EXPECT_EQ(path, "q");
  EXPECT_EQ(fake_.open_handles.size(), 1u);
  for (const CreateCall& call : fake_.creates) EXPECT_TRUE(call.path != "x" || call.access == 0);
  fake_.interfaces[3].framing = Framing(8, 5);
  EXPECT_EQ(choose(), 2);
  EXPECT_EQ(choice, HidChoice::kOpened);
  fake_.interfaces = {refusing};
  EXPECT_EQ(choose(), -1);
  EXPECT_EQ(choice, HidChoice::kRefused);
  EXPECT_EQ(fake_.open_handles.size(), 2u);  // the two kept above
  // The console's interface held by another program: waited for, not passed over.
  console.framing = Framing(9, 5);
  console.read_write_open = false;
  fake_.interfaces = {consumer, console};
  EXPECT_EQ(choose(), -1);
  EXPECT_EQ(choice, HidChoice::kRefused);
  EXPECT_EQ(fake_.open_handles.size(), 2u);
}

// Which matching interface the choice keeps, from what the scan saw of each: o opened,
// r refused (held by another program), - neither; then its framing (lengths with the ID byte):
// S the console's own, 9 out and 5 in; I the same lengths under report ID 2; R 65 and 65 on a
// usage page of its own, V on a vendor-defined one; M 65 and 65 with two output report IDs;
// L 1024 out and 1025 in; none, 0 out and 3 in. I, R, V have room for the console's reports.
TEST(PickInterfaceTest, EveryCaseOfTheChoice) {
  struct Case {
    std::vector<const char*> seen;
    int index;
    HidChoice choice;
  };
  const Case cases[] = {
      {{}, -1, HidChoice::kNone},
      {{"-", "-S"}, -1, HidChoice::kFailed},
      {{"o", "oS"}, 1, HidChoice::kOpened},
      {{"oS", "oS"}, 0, HidChoice::kOpened},
      {{"o", "o"}, 0, HidChoice::kOpened},
      {{"-", "o"}, 1, HidChoice::kOpened},
      {{"r", "o"}, 1, HidChoice::kOpened},
      {{"o", "rS"}, -1, HidChoice::kRefused},
      {{"rS", "oS"}, 1, HidChoice::kOpened},
      {{"r", "-"}, -1, HidChoice::kRefused},
      {{"o", "oL", "oM", "oR"}, 3, HidChoice::kOpened},
      {{"oR", "oV", "oV"}, 1, HidChoice::kOpened},
      {{"oI", "oS"}, 1, HidChoice::kOpened},
      {{"o", "oI"}, 1, HidChoice::kOpened},
      {{"oV", "rS"}, -1, HidChoice::kRefused},
      {{"rR", "o"}, 1, HidChoice::kOpened},
  };
  const std::map<char, HidFraming> framings = {
      {'S', Framing(9, 5)},   {'I', Framing(9, 5, 1)},   {'R', Framing(65, 65, 0, 1)},
      {'V', Framing(65, 65)}, {'M', Framing(65, 65, 2)}, {'L', Framing(1024, 1025)},
      {' ', Framing(0, 3)}};
  for (const Case& c : cases) {
    std::vector<SeenInterface> seen;
    std::string name;
    for (const char* s : c.seen) {
      const std::string code = s;
      SeenInterface one;
      one.opened = code[0] == 'o';
      one.refused = code[0] == 'r';
      one.framing = framings.at(code.size() > 1 ? code[1] : ' ');
      seen.push_back(one);
      name += code + " ";
    }
    const InterfacePick pick = PickInterface(seen);
    EXPECT_EQ(pick.index, c.index) << name;
    EXPECT_EQ(pick.choice, c.choice) << name;
  }
}

// The console's reports are 9 bytes out and 5 in: either length alone is another interface.
// A refused interface costs one query-only open and one read-write open per choice, and the
// scan goes on past it to a free one.
TEST_F(HidLookupTest, BothReportLengthsMakeTheConsolesInterfaceAndARefusalCostsTwoOpens) {
  FakeInterface out_only = Quill("o"), in_only = Quill("i"), console = Quill("q");
  out_only.framing = Framing(9, 64, 0, 1);
  in_only.framing = Framing(65, 5, 0, 1);
  console.framing = Framing(9, 5);
  HidChosen chosen;
  fake_.interfaces = {out_only, in_only, console};
  EXPECT_EQ(IndexOf(ChooseHidDeviceWith(platform_, PRODUCT, VENDOR, HID_ANY_VERSION, &chosen)), 2);
  EXPECT_EQ(chosen.framing.output_length, 9);
  console.read_write_open = false;
  fake_.interfaces = {console};
  fake_.creates.clear();
  EXPECT_EQ(ChooseHidDeviceWith(platform_, PRODUCT, VENDOR, HID_ANY_VERSION, &chosen), 0);
  EXPECT_EQ(chosen.choice, HidChoice::kRefused);
  EXPECT_EQ(fake_.creates.size(), 2u);
  fake_.interfaces.push_back(Quill("free"));  // a second board's free console interface
  fake_.interfaces[1].framing = Framing(9, 5);
  EXPECT_EQ(IndexOf(ChooseHidDeviceWith(platform_, PRODUCT, VENDOR, HID_ANY_VERSION, &chosen)), 1);
}

TEST_F(HidLookupTest, TwoMatchingDevicesLowerIndexWinsAndEachOpenIsNew) {
  fake_.interfaces = {Other("x"), Quill("a"), Quill("b")};
  EXPECT_EQ(Find(), 1);
  EXPECT_EQ(fake_.creates.back().path, "a");
  const HidHandle first = Open();
  const HidHandle second = Open();
  EXPECT_NE(first, second);
  EXPECT_EQ(IndexOf(first), 1);
  EXPECT_EQ(IndexOf(second), 1);
  EXPECT_EQ(fake_.open_handles.size(), 2u);
}

TEST_F(HidLookupTest, OnlyTheFirst256InterfacesAreExamined) {
  for (int i = 0; i < 257; ++i) fake_.interfaces.push_back(Other("o" + std::to_string(i)));
  fake_.interfaces[256] = Quill("late");
  EXPECT_EQ(Find(), 0);
  EXPECT_EQ(Open(), 0);
  EXPECT_EQ(fake_.highest_index, 255u);
  fake_.interfaces[255] = Quill("last");
  EXPECT_EQ(Find(), 1);
  EXPECT_EQ(IndexOf(Open()), 255);
}

TEST_F(HidLookupTest, VersionMatchesExactlyOrByWildcard) {
  struct Case {
    uint16_t device_version;
    uint16_t asked;
    int32_t found;
  };
  const Case cases[] = {
      {0x0000, HID_ANY_VERSION, 1}, {0x0100, HID_ANY_VERSION, 1}, {0xFFFF, HID_ANY_VERSION, 1},
      {0x0000, 0x0100, 0},          {0x0100, 0x0100, 1},          {0xFFFF, 0x0100, 0},
      {0x0101, 0x0100, 0},
  };
  for (const Case& c : cases) {
    fake_.interfaces = {Device("a", VENDOR, PRODUCT, c.device_version)};
    EXPECT_EQ(FindHidDeviceWith(platform_, PRODUCT, VENDOR, c.asked), c.found)
        << std::hex << c.device_version << " asked " << c.asked;
    const HidHandle handle = OpenHidDeviceWith(platform_, PRODUCT, VENDOR, c.asked);
    EXPECT_EQ(handle != 0, c.found == 1) << std::hex << c.device_version << " asked " << c.asked;
    fake_.open_handles.clear();
  }
}

TEST_F(HidLookupTest, ProductAndVendorAreComparedOnSixteenBitsInTheirOwnPlaces) {
  fake_.interfaces = {Quill("a")};
  const int32_t as_unsigned = 61218;
  const int16_t as_signed = -4318;
  EXPECT_EQ(FindHidDeviceWith(platform_, as_unsigned, VENDOR, HID_ANY_VERSION), 1);
  EXPECT_EQ(FindHidDeviceWith(platform_, as_signed, VENDOR, HID_ANY_VERSION), 1);
  EXPECT_NE(OpenHidDeviceWith(platform_, as_signed, VENDOR, HID_ANY_VERSION), 0);
  // Product and vendor swapped must not match, nor either one alone.
  EXPECT_EQ(FindHidDeviceWith(platform_, VENDOR, PRODUCT, HID_ANY_VERSION), 0);
  fake_.interfaces = {Device("v", VENDOR, PRODUCT + 1), Device("p", VENDOR + 1, PRODUCT)};
  EXPECT_EQ(Find(), 0);
  EXPECT_EQ(Open(), 0);
}

TEST_F(HidLookupTest, HandlesNotPositiveAsSigned32BitsAreSkippedAndNeverReturned) {
  const intptr_t refused[] = {FAKE_INVALID_HANDLE, 0, static_cast<intptr_t>(INT32_MIN),
                              static_cast<intptr_t>(0xFFFFFFFFu)};
  for (const intptr_t value : refused) {
    fake_.interfaces = {Quill("a")};
    fake_.interfaces[0].force_handle = true;
    fake_.interfaces[0].forced_handle = value;
    fake_.closes = 0;
    EXPECT_EQ(Find(), 0) << value;
    EXPECT_EQ(Open(), 0) << value;
    EXPECT_EQ(fake_.closes, 0) << value;
  }
  fake_.interfaces = {Quill("a"), Quill("b")};
  fake_.interfaces[0].read_write_open = false;
  fake_.interfaces[1].read_write_open = false;
  EXPECT_EQ(Open(), 0);
}

TEST_F(HidLookupTest, FindLeavesNoHandleOpenWhateverItsResult) {
  struct Case {
    const char* name;
    std::vector<FakeInterface> interfaces;
    int32_t found;
  };
  FakeInterface refused = Quill("r");
  refused.query_open = false;
  const Case cases[] = {
      {"match", {Other("x"), Quill("a")}, 1},
      {"no match", {Other("x"), Other("y")}, 0},
      {"refused then match", {refused, Other("x"), Quill("a")}, 1},
      {"empty", {}, 0},
  };
  for (const Case& c : cases) {
    fake_.interfaces = c.interfaces;
    fake_.creates.clear();
    fake_.closes = 0;
    fake_.next_handle = 0x100;
    EXPECT_EQ(Find(), c.found) << c.name;
    EXPECT_TRUE(fake_.open_handles.empty()) << c.name;
    const int opened = static_cast<int>((fake_.next_handle - 0x100) / 4);
    EXPECT_EQ(fake_.closes, opened) << c.name;
  }
}

TEST_F(HidLookupTest, OpenClosesNonMatchingProbesAndKeepsOnlyTheMatch) {
  fake_.interfaces = {Other("x"), Other("y"), Quill("a"), Other("z")};
  const HidHandle handle = Open();
  ASSERT_EQ(fake_.open_handles.size(), 1u);
  EXPECT_EQ(IndexOf(handle), 2);
  EXPECT_EQ(fake_.closes, 2);
  fake_.interfaces = {Other("x"), Other("y")};
  EXPECT_EQ(Open(), 0);
  EXPECT_EQ(fake_.open_handles.size(), 1u);  // only the earlier match
}

TEST_F(HidLookupTest, FailedAttributesQueryNeverMatches) {
  // Nothing read yet: the record holds zeros.
  FakeInterface silent = Quill("s");
  silent.attributes_fail = true;
  fake_.interfaces = {silent};
  EXPECT_EQ(Find(), 0);
  EXPECT_EQ(Open(), 0);
  EXPECT_TRUE(fake_.open_handles.empty());
  // After another interface: the record still holds that interface's values.
  fake_.interfaces = {Other("x"), silent, Quill("a")};
  EXPECT_EQ(Find(), 1);
  EXPECT_EQ(fake_.creates.back().path, "a");
  EXPECT_EQ(IndexOf(Open()), 2);
}

TEST_F(HidLookupTest, UnusableDetailSizesPassTheInterfaceOver) {
  struct Case {
    const char* name;
    SizeAnswer answer;
    uint32_t value;
  };
  const Case cases[] = {
      {"nothing written", SizeAnswer::kNothing, 0},
      {"zero", SizeAnswer::kValue, 0},
      {"three", SizeAnswer::kValue, 3},
      {"four", SizeAnswer::kValue, 4},
      {"just over 64 KiB", SizeAnswer::kValue, 64 * 1024 + 1},
      {"huge", SizeAnswer::kValue, 0xFFFFFFFFu},
  };
  for (const Case& c : cases) {
    // A well-behaved interface first, so that a stale size from it would be noticed.
    FakeInterface bad = Quill("bad");
    bad.size = c.answer;
    bad.size_value = c.value;
    fake_.interfaces = {Other("x"), bad, Quill("good")};
    fake_.path_queries.clear();
    fake_.creates.clear();
    EXPECT_EQ(Find(), 1) << c.name;
    EXPECT_EQ(fake_.path_queries, (std::vector<size_t>{0, 2})) << c.name;
    ASSERT_EQ(fake_.creates.size(), 2u) << c.name;
    EXPECT_EQ(fake_.creates.back().path, "good") << c.name;
    EXPECT_EQ(IndexOf(Open()), 2) << c.name;
    fake_.open_handles.clear();
  }
}

TEST_F(HidLookupTest, SmallestUsableDetailBufferHoldsAnEmptyPath) {
  FakeInterface tiny = Quill("t");
  tiny.size = SizeAnswer::kValue;
  tiny.size_value = 5;  // too small for the path: the query fails and the path stays empty
  fake_.interfaces = {tiny, Quill("a")};
  EXPECT_EQ(Find(), 1);
  ASSERT_EQ(fake_.creates.size(), 2u);
  EXPECT_EQ(fake_.creates[0].path, "");
  EXPECT_EQ(fake_.creates[1].path, "a");
}

TEST_F(HidLookupTest, PathWithoutTerminatorIsCutAtTheBufferEnd) {
  FakeInterface device = Quill("\\\\?\\hid#vid_aaaa&pid_ef22");
  device.unterminated = true;
  fake_.interfaces = {device};
  EXPECT_EQ(Find(), 1);
  ASSERT_EQ(fake_.creates.size(), 1u);
  EXPECT_EQ(fake_.creates[0].path, device.path);
}

TEST_F(HidLookupTest, WithoutHidLibraryNothingMatches) {
  fake_.hid_missing = true;
  fake_.interfaces = {Quill("a"), Quill("b")};
  EXPECT_EQ(Find(), 0);
  EXPECT_EQ(Open(), 0);
  EXPECT_TRUE(fake_.open_handles.empty());
}

TEST_F(HidLookupTest, WithoutEnumerationTheListIsEmpty) {
  fake_.enum_missing = true;
  fake_.interfaces = {Quill("a")};
  EXPECT_EQ(Find(), 0);
  EXPECT_EQ(Open(), 0);
  EXPECT_TRUE(fake_.creates.empty());
  EXPECT_EQ(fake_.destroyed.size(), 2u);
}

// The check of a held handle asks that one device only: no enumeration, no open, no close.
TEST_F(HidLookupTest, CheckingAHeldHandleTouchesNothingElse) {
  fake_.interfaces = {Other("other"), Quill("quill"), Other("third")};
  const HidHandle held = Open();
  ASSERT_NE(held, 0);
  fake_.calls.clear();
  const int closes = fake_.closes;
  EXPECT_EQ(CheckHidHandleWith(platform_, held, PRODUCT, VENDOR, HID_ANY_VERSION), 1);
  EXPECT_EQ(CheckHidHandleWith(platform_, held, PRODUCT, VENDOR, 0x0200), 0);  // other version
  EXPECT_EQ(CheckHidHandleWith(platform_, 0, PRODUCT, VENDOR, HID_ANY_VERSION), 0);
  fake_.interfaces[1].attributes_fail = true;  // the device has gone
  EXPECT_EQ(CheckHidHandleWith(platform_, held, PRODUCT, VENDOR, HID_ANY_VERSION), 0);
  EXPECT_EQ(fake_.calls, std::vector<std::string>(3, "HidD_GetAttributes"));
  EXPECT_EQ(fake_.closes, closes);
  EXPECT_EQ(fake_.open_handles.size(), 1u);
  platform_.close_handle(held);
}

}  // namespace
