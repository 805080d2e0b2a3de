// The three report encoders: Text, Hex and Digit turn CurrentText into ReportBuffer bytes.
#pragma once

#include <cstdint>
#include <string>

// ReportBuffer bytes 1 to 8 from the first 8 characters of CurrentText, zero-padded.
void EncodeText();
// Normalises CurrentText (upper case, trimmed, "$" and "H" marks removed, last 8 characters)
// and returns its hexadecimal value.
int32_t ParseHexText();
// ReportBuffer bytes 1 to 4 from HexValue, most significant byte first.
void PlaceHexValue();
// ReportBuffer bytes 1 to 4 from ParseNumber(CurrentText), least significant byte first.
void EncodeDigit();
// Converts a text to a number: blanks, one sign, then "$" hex, "%" binary or decimal digits.
// Arithmetic wraps modulo 2^64; a text without digits gives 0.
int64_t ParseNumber(const std::string& text);

// Upper-cases a text in place with the platform's 8-bit mapping.
void UpperCaseText(std::string& text);
