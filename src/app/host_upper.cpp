#include "app/encoders.h"

// Stand-in for the platform's 8-bit upper-casing: a to z become A to Z. Of the platform's
// mapping only a-f and h change what the encoders produce, and these map the same way.
void UpperCaseText(std::string& text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
}
