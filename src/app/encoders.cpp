#include "app/encoders.h"

#include "app/globals.h"

namespace {

// Removes every `c` at the start and at the end of text.
void TrimChar(std::string& text, char c) {
  const size_t first = text.find_first_not_of(c);
  if (first == std::string::npos) {
    text.clear();
    return;
  }
  text.erase(text.find_last_not_of(c) + 1);
  text.erase(0, first);
}

// Returns the value of a digit in the given base, or -1 when c is not one.
int DigitValue(char c, int base) {
  int value = -1;
  if (c >= '0' && c <= '9') value = c - '0';
  if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
  if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
  return value < base ? value : -1;
}

}  // namespace

// ReportBuffer bytes 1 to 8 from the first 8 characters of CurrentText, zero-padded.
void EncodeText() {
  for (size_t i = 1; i <= 8; ++i) {
    ScratchText = i <= CurrentText.size() ? CurrentText.substr(i - 1) : std::string();
    ReportBuffer[i] = ScratchText.empty() ? 0 : static_cast<uint8_t>(ScratchText[0]);
  }
}

// Normalises CurrentText and returns its hexadecimal value.
int32_t ParseHexText() {
  UpperCaseText(CurrentText);
  TrimChar(CurrentText, ' ');
  if (!CurrentText.empty() && CurrentText[0] == '$') {
    CurrentText.erase(0, 1);
    TrimChar(CurrentText, ' ');
  }
  TrimChar(CurrentText, 'H');
  if (CurrentText.size() > 8) CurrentText.erase(0, CurrentText.size() - 8);

  // NOTE: the shift comes before the character is examined, so the character that ends the
  // scan still counts as a digit 0 ("12G" is 0x120).
  uint32_t value = 0;
  for (char c : CurrentText) {
    value <<= 4;
    const int digit = DigitValue(c, 16);  // the text is upper case by now
    if (digit < 0) break;
    value += static_cast<uint32_t>(digit);
  }
  return static_cast<int32_t>(value);
}

// ReportBuffer bytes 1 to 4 from HexValue, most significant byte first.
void PlaceHexValue() {
  const uint32_t value = static_cast<uint32_t>(HexValue);
  for (int i = 0; i < 4; ++i) ReportBuffer[1 + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

// ReportBuffer bytes 1 to 4 from ParseNumber(CurrentText), least significant byte first.
void EncodeDigit() {
  ScratchText = CurrentText;
  const uint64_t n = static_cast<uint64_t>(ParseNumber(ScratchText));
  for (int i = 0; i < 4; ++i) ReportBuffer[1 + i] = static_cast<uint8_t>(n >> (8 * i));
}

// Converts a text to a number; see the header for the rules.
int64_t ParseNumber(const std::string& text) {
  size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';

  int base = 10;
  if (at < text.size() && text[at] == '$') {
    base = 16;
    ++at;
  } else if (at < text.size() && text[at] == '%') {
    base = 2;
    ++at;
  }
  uint64_t value = 0;
  for (; at < text.size(); ++at) {
    const int digit = DigitValue(text[at], base);
    if (digit < 0) break;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
  }
  return static_cast<int64_t>(negative ? 0 - value : value);
}
