// The nine send commands, byte for byte, against a simulated device and window.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "app/presence.h"
#include "app/send.h"
#include "fake_platform.h"

namespace {

using Bytes = std::vector<uint8_t>;

class Send : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    fake::SetFieldText(4, "12345678");
    fake::SetFieldText(5, "56789ABC");
    fake::SetFieldText(6, "ABCDEFGH");
  }
  void TearDown() override {
    const auto faults = fake::Faults();
    EXPECT_TRUE(faults.empty()) << faults.front();
  }
  static void Attach() {
    fake::SetPresent(true);
    CheckDevice();
  }
};

struct Sequence {
  const char* name;
  std::vector<int32_t> buttons;
  std::vector<Bytes> reports;
  HidFraming framing = fake::ConsoleFraming();  // the framing of the interface held
};

// Returns a framing of these lengths, ID byte included, with one output report ID or none.
HidFraming Framing(uint16_t output, uint16_t input, uint8_t id) {
  HidFraming framing = fake::ConsoleFraming();
  framing.output_length = output;
  framing.input_length = input;
  framing.output_report_id = id;
  framing.output_report_ids = id != 0 ? 1 : 0;
  return framing;
}

// Returns an output report of `length` bytes that begins with `head`, zeros after it.
Bytes Padded(Bytes head, size_t length) {
  head.resize(length);
  return head;
}

TEST_F(Send, ReportsFollowTheButtonsEncodings) {
  const Sequence sequences[] = {
      {"hex first after start", {11}, {{0, 0x12, 0x34, 0x56, 0x78, 0, 0, 0, 0}}},
      {"text row 3 then digit row 1",
       {3, 13},
       {{0, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48},
        {0, 0x4E, 0x61, 0xBC, 0x00, 0x45, 0x46, 0x47, 0x48}}},
      {"text then hex on row 2",
       {2, 21},
       {{0, 0x35, 0x36, 0x37, 0x38, 0x39, 0x41, 0x42, 0x43},
        {0, 0x56, 0x78, 0x9A, 0xBC, 0x39, 0x41, 0x42, 0x43}}},
      {"digit row 2 and hex row 3",
       {23, 31},
       {{0, 0xD5, 0xDD, 0, 0, 0, 0, 0, 0}, {0, 0x0A, 0xBC, 0xDE, 0xF0, 0, 0, 0, 0}}},
      {"row 1 text, digit row 3",
       {1, 33},
       {{0, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38},
        {0, 0, 0, 0, 0, 0x35, 0x36, 0x37, 0x38}}},
      {"64-byte reports: whole 65-byte writes",
       {11, 3},
       {Padded({0, 0x12, 0x34, 0x56, 0x78}, 65),
        Padded({0, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48}, 65)},
       Framing(65, 65, 0)},
      {"the console's lengths under report ID 2",
       {23},
       {{2, 0xD5, 0xDD, 0, 0, 0, 0, 0, 0}},
       Framing(9, 5, 2)},
      {"two output report IDs: the console's report as it is",
       {11},
       {{0, 0x12, 0x34, 0x56, 0x78, 0, 0, 0, 0}},
       [] {
         HidFraming two = Framing(65, 65, 3);
         two.output_report_ids = 2;
         return two;
       }()},
  };
  for (const Sequence& s : sequences) {
    SetUp();
    fake::SetFraming(s.framing);
    Attach();
    for (int32_t button : s.buttons) EXPECT_TRUE(RunRowCommand(button));
    EXPECT_EQ(fake::Writes(), s.reports) << s.name;
  }
}

TEST_F(Send, EachCommandReadsItsFieldAfresh) {
  Attach();
  fake::SetFieldText(4, "AB");
  RunRowCommand(1);
  fake::SetFieldText(4, "ffh");
  RunRowCommand(11);
  EXPECT_EQ(fake::Writes(), (std::vector<Bytes>{{0, 0x41, 0x42, 0, 0, 0, 0, 0, 0},
                                                {0, 0, 0, 0, 0xFF, 0, 0, 0, 0}}));
  EXPECT_EQ(HexValue, 0xFF);
}

TEST_F(Send, NoDeviceShowsTheBoxForEveryButtonAndWritesNothing) {
  for (int32_t button : {1, 11, 13, 2, 21, 23, 3, 31, 33}) EXPECT_TRUE(RunRowCommand(button));
  EXPECT_TRUE(fake::Writes().empty());
  EXPECT_EQ(fake::MessageBoxes(), std::vector<std::string>(9, "QUILLOMATIC|No HID device|16"));
}

TEST_F(Send, DeviceFoundButNotOpenedShowsTheBox) {
  fake::SetOpenFails(true);
  Attach();
  RunRowCommand(21);
  EXPECT_TRUE(fake::Writes().empty());
  EXPECT_EQ(fake::MessageBoxes().size(), 1u);
}

TEST_F(Send, TextWhileAbsentCarriesBytesFiveToEightOncepresent) {
  RunRowCommand(3);
  Attach();
  RunRowCommand(11);
  EXPECT_EQ(fake::Writes(),
            (std::vector<Bytes>{{0, 0x12, 0x34, 0x56, 0x78, 0x45, 0x46, 0x47, 0x48}}));
}

TEST_F(Send, OtherGadgetsRunNoCommand) {
  Attach();
  for (int32_t gadget : {0, 4, 5, 6, 12, 7, 22, 0x01000000, -1}) {
    EXPECT_FALSE(RunRowCommand(gadget)) << gadget;
  }
  EXPECT_TRUE(fake::Writes().empty());
  EXPECT_TRUE(fake::MessageBoxes().empty());
}

}  // namespace
