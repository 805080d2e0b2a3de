// Every row of README.md's example table ("| text | Text | Hex | Digit |") is what the encoders
// send. A cell's bytes run up to its first ':' or '('; a "…" in them stands for bytes left out.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <string>

#include "app/encoders.h"
#include "app/globals.h"

namespace {

// Payload bytes 1 to 8 (Text, column 1) or 1 to 4 (Hex 2, Digit 3) after one press.
std::string Press(int column, const std::string& text) {
  ResetGlobals();
  CurrentText = text;
  if (column == 1) EncodeText();
  if (column == 2) HexValue = ParseHexText();
  if (column == 2) PlaceHexValue();
  if (column == 3) EncodeDigit();
  std::string bytes;
  char hex[4];
  for (int i = 1; i <= (column == 1 ? 8 : 4); ++i) {
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
  const std::regex row(R"(\| `([^`]*)` \|([^|]*)\|([^|]*)\|([^|]*)\|)"),
      bytes(R"( ([^:(]*[^ :(]))");
  int rows = 0;
  for (std::getline(in, line); std::getline(in, line) && line.rfind("| `", 0) == 0; ++rows) {
    std::smatch cells, want;
    ASSERT_TRUE(std::regex_match(line, cells, row)) << line;
    for (int column = 1; column <= 3; ++column) {
      const std::string cell = cells[column + 1];
      ASSERT_TRUE(std::regex_search(cell, want, bytes)) << line;
      const std::string pattern = std::regex_replace(want[1].str(), std::regex(" … "), " .* ");
      EXPECT_TRUE(std::regex_match(Press(column, cells[1]), std::regex(pattern)))
          << "text " << cells[1] << ", column " << column << ": README \"" << want[1]
          << "\", the encoder sends " << Press(column, cells[1]);
    }
  }
  EXPECT_GT(rows, 0) << "no example table in README.md";
}

}  // namespace
