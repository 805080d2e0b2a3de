// Every row of README.md's example table ("| text | Text | Hex | Digit |") is what the encoders
// send. A cell's bytes run up to its first ':' or '('; a "…" in them stands for bytes left out.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/encoders.h"
#include "app/globals.h"

namespace {

// Payload bytes 1 to `count` after one press of button `column` (1 Text, 2 Hex, 3 Digit).
std::string Press(int column, const std::string& text) {
  ResetGlobals();
  CurrentText = text;
  if (column == 1) EncodeText();
  if (column == 2) {
    HexValue = ParseHexText();
    PlaceHexValue();
  }
  if (column == 3) EncodeDigit();
  std::string bytes;
  for (int i = 1; i <= (column == 1 ? 8 : 4); ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, i == 1 ? "%02X" : " %02X", ReportBuffer[i]);
    bytes += hex;
  }
  return bytes;
}

TEST(ReadmeTable, EveryCellIsWhatItsButtonSends) {
  std::ifstream in(QUILL_SOURCE_DIR "/README.md");
  std::string line;
  while (std::getline(in, line) && line != "| text | Text | Hex | Digit |") {
  }
  int rows = 0;
  for (std::getline(in, line); std::getline(in, line) && line.rfind("| `", 0) == 0; ++rows) {
    std::vector<std::string> cells;
    std::stringstream row(line.substr(1));
    for (std::string cell; std::getline(row, cell, '|');) cells.push_back(cell);
    ASSERT_EQ(cells.size(), 4u) << line;
    const std::string text = cells[0].substr(2, cells[0].rfind('`') - 2);
    for (int column = 1; column <= 3; ++column) {
      std::string want = cells[column].substr(1, cells[column].find_first_of(":(") - 1);
      want.erase(want.find_last_not_of(' ') + 1);
      const std::string got = Press(column, text);
      const size_t gap = want.find(" … ");
      const bool same =
          gap == std::string::npos
              ? got == want
              : got.rfind(want.substr(0, gap), 0) == 0 &&
                    got.substr(got.size() - (want.size() - gap - 5)) == want.substr(gap + 5);
      EXPECT_TRUE(same) << "text " << text << ", column " << column << ": README \"" << want
                        << "\", the encoder sends " << got;
    }
  }
  EXPECT_GT(rows, 0) << "no example table in README.md";
}

}  // namespace
