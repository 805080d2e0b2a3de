// The report encoders, byte for byte: worked examples, edge cases and a random-text sweep.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>

#include "app/encoders.h"
#include "app/globals.h"

namespace {

using Bytes = std::array<uint8_t, 8>;

// Payload bytes 1 to 8 of ReportBuffer.
Bytes Payload() {
  Bytes b;
  std::memcpy(b.data(), ReportBuffer + 1, 8);
  return b;
}

// The Hex command's steps: parse, store in HexValue, place.
void EncodeHex(const std::string& text) {
  CurrentText = text;
  HexValue = ParseHexText();
  PlaceHexValue();
}

void EncodeTextOf(const std::string& text) {
  CurrentText = text;
  EncodeText();
}

void EncodeDigitOf(const std::string& text) {
  CurrentText = text;
  EncodeDigit();
}

class Encoders : public ::testing::Test {
 protected:
  void SetUp() override { ResetGlobals(); }
};

struct HexCase {
  const char* text;
  uint32_t value;
};

TEST_F(Encoders, HexValuesFollowTheNormalisationRules) {
  const HexCase cases[] = {
      {"12345678", 0x12345678},
      {"56789ABC", 0x56789ABC},
      {"ABCDEFGH", 0x0ABCDEF0},
      {"ffh", 0xFF},
      {"FFH", 0xFF},
      {"hff", 0xFF},
      {"$ff", 0xFF},
      {"$ 12", 0x12},
      {"1A H", 0x1A0},
      {"hex", 0xE0},
      {"H$FF", 0},
      {"123456789", 0x23456789},
      {"G123456789", 0x23456789},
      {"0x1F", 0},
      {"", 0},
      {"$", 0},
      {"HHHH", 0},
      {"12G", 0x120},
      {"  7f  ", 0x7F},
      {"\t7", 0},
      {"FFFFFFFF", 0xFFFFFFFF},
      {"hh1hh", 0x1},
      {"1h2", 0x10},
      {"$$1", 0},
  };
  for (const HexCase& c : cases) {
    CurrentText = c.text;
    EXPECT_EQ(static_cast<uint32_t>(ParseHexText()), c.value) << "text \"" << c.text << '"';
  }
}

TEST_F(Encoders, HexRewritesCurrentTextToItsNormalForm) {
  CurrentText = " $ abch ";
  ParseHexText();
  EXPECT_EQ(CurrentText, "ABC");
  CurrentText = "G123456789";
  ParseHexText();
  EXPECT_EQ(CurrentText, "23456789");
}

struct BytesCase {
  const char* text;
  Bytes bytes;
};

TEST_F(Encoders, HexPlacesMostSignificantByteFirst) {
  const BytesCase cases[] = {
      {"12345678", {0x12, 0x34, 0x56, 0x78, 0, 0, 0, 0}},
      {"56789ABC", {0x56, 0x78, 0x9A, 0xBC, 0, 0, 0, 0}},
      {"ABCDEFGH", {0x0A, 0xBC, 0xDE, 0xF0, 0, 0, 0, 0}},
      {"ABCD", {0x00, 0x00, 0xAB, 0xCD, 0, 0, 0, 0}},
  };
  for (const BytesCase& c : cases) {
    ResetGlobals();
    EncodeHex(c.text);
    EXPECT_EQ(Payload(), c.bytes) << "text \"" << c.text << '"';
  }
}

TEST_F(Encoders, DigitPlacesLeastSignificantByteFirst) {
  const BytesCase cases[] = {
      {"12345678", {0x4E, 0x61, 0xBC, 0x00, 0, 0, 0, 0}},
      {"56789ABC", {0xD5, 0xDD, 0x00, 0x00, 0, 0, 0, 0}},
      {"ABCDEFGH", {0, 0, 0, 0, 0, 0, 0, 0}},
      {"-1", {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}},
      {"-2147483648", {0x00, 0x00, 0x00, 0x80, 0, 0, 0, 0}},
      {"2147483648", {0x00, 0x00, 0x00, 0x80, 0, 0, 0, 0}},
      {"4294967296", {0, 0, 0, 0, 0, 0, 0, 0}},
      {"$FF", {0xFF, 0, 0, 0, 0, 0, 0, 0}},
      {"$ff", {0xFF, 0, 0, 0, 0, 0, 0, 0}},
      {"%1010", {0x0A, 0, 0, 0, 0, 0, 0, 0}},
      {"-$FF", {0x01, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}},
      {"\t7", {0x07, 0, 0, 0, 0, 0, 0, 0}},
      {" +9", {0x09, 0, 0, 0, 0, 0, 0, 0}},
      {"- 5", {0, 0, 0, 0, 0, 0, 0, 0}},
      {"--5", {0, 0, 0, 0, 0, 0, 0, 0}},
      {"12abc", {0x0C, 0, 0, 0, 0, 0, 0, 0}},
      {"0x1F", {0, 0, 0, 0, 0, 0, 0, 0}},
      {"%102", {0x02, 0, 0, 0, 0, 0, 0, 0}},
      {"", {0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const BytesCase& c : cases) {
    ResetGlobals();
    EncodeDigitOf(c.text);
    EXPECT_EQ(Payload(), c.bytes) << "text \"" << c.text << '"';
  }
}

TEST_F(Encoders, ParseNumberWrapsOnSixtyFourBits) {
  EXPECT_EQ(ParseNumber("18446744073709551615"), -1);
  EXPECT_EQ(ParseNumber("18446744073709551616"), 0);
  EXPECT_EQ(ParseNumber("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(ParseNumber("$FFFFFFFFFFFFFFFFF"), -1);
  EXPECT_EQ(ParseNumber("\xB9\xB2"), 0);  // superscript digits are not digits
}

TEST_F(Encoders, TextSendsTheFirstEightBytesUnchanged) {
  const BytesCase cases[] = {
      {"12345678", {0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38}},
      {"56789ABC", {0x35, 0x36, 0x37, 0x38, 0x39, 0x41, 0x42, 0x43}},
      {"ABCDEFGH", {0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48}},
      {"AB", {0x41, 0x42, 0, 0, 0, 0, 0, 0}},
      {"123456789", {0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38}},
      {"a b\xE9\xFF", {0x61, 0x20, 0x62, 0xE9, 0xFF, 0, 0, 0}},
      {"", {0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const BytesCase& c : cases) {
    EncodeTextOf("ZZZZZZZZ");
    EncodeTextOf(c.text);
    EXPECT_EQ(Payload(), c.bytes) << "text \"" << c.text << '"';
  }
}

TEST_F(Encoders, HexAndDigitKeepBytesFiveToEightOfTheLastText) {
  EncodeHex("12345678");
  EXPECT_EQ(Payload(), (Bytes{0x12, 0x34, 0x56, 0x78, 0, 0, 0, 0}));
  EncodeTextOf("12345678");
  EncodeHex("ABCD");
  EXPECT_EQ(Payload(), (Bytes{0x00, 0x00, 0xAB, 0xCD, 0x35, 0x36, 0x37, 0x38}));
  EncodeTextOf("ABCDEFGH");
  EncodeDigitOf("12345678");
  EXPECT_EQ(Payload(), (Bytes{0x4E, 0x61, 0xBC, 0x00, 0x45, 0x46, 0x47, 0x48}));
  EncodeTextOf("56789ABC");
  EncodeHex("56789ABC");
  EXPECT_EQ(Payload(), (Bytes{0x56, 0x78, 0x9A, 0xBC, 0x39, 0x41, 0x42, 0x43}));
  EXPECT_EQ(HexValue, 0x56789ABC);
}

// Random texts of 1 to 40 bytes (any byte 1 to 255) through each encoder: nothing outside
// bytes 1 to 8 changes, and Hex and Digit never touch bytes 5 to 8.
TEST_F(Encoders, RandomTextsWriteOnlyTheirOwnBytes) {
  std::mt19937 random(20261207);
  std::uniform_int_distribution<int> length(1, 40), byte(1, 255);
  for (int round = 0; round < 100000; ++round) {
    std::string text(static_cast<size_t>(length(random)), ' ');
    for (char& c : text) c = static_cast<char>(byte(random));
    uint8_t before[REPORT_BUFFER_SIZE];
    for (uint8_t& b : ReportBuffer) b = static_cast<uint8_t>(byte(random));
    ReportBuffer[0] = 0;
    std::memcpy(before, ReportBuffer, sizeof before);

    const int mode = round % 3;
    if (mode == 0) EncodeTextOf(text);
    if (mode == 1) EncodeHex(text);
    if (mode == 2) EncodeDigitOf(text);

    ASSERT_EQ(ReportBuffer[0], 0);
    ASSERT_EQ(ReportBuffer[9], before[9]);
    ASSERT_EQ(ReportBuffer[10], before[10]);
    if (mode == 0) {
      for (size_t i = 0; i < 8; ++i) {
        ASSERT_EQ(ReportBuffer[1 + i], i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
      }
    } else {
      ASSERT_EQ(0, std::memcmp(ReportBuffer + 5, before + 5, 4)) << "mode " << mode;
    }
    if (mode == 1) {
      ASSERT_LE(CurrentText.size(), 8u);
    }
  }
}

}  // namespace
