// Interface names as device notices carry them: matching the device's path, and reading the
// name out of a notice record in either of its two widths.
#include <cstring>
#include <string>

#include "hid/hid.h"

namespace {

// Returns an ASCII letter in lower case, any other character as it is (device paths are
// ASCII).
char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when a text holds a lower-case pattern, in any case.
bool HoldsInAnyCase(const std::string& text, const char* pattern) {
  const size_t length = std::strlen(pattern);
  for (size_t at = 0; at + length <= text.size(); ++at) {
    size_t matched = 0;
    while (matched < length && Lower(text[at + matched]) == pattern[matched]) ++matched;
    if (matched == length) return true;
  }
  return false;
}

// Writes a 16-bit value as four lower-case hexadecimal digits.
void PutHexDigits(uint16_t value, char* out) {
  for (int i = 3; i >= 0; --i, value = static_cast<uint16_t>(value >> 4)) {
    out[i] = "0123456789abcdef"[value & 0xF];
  }
}

}  // namespace

// True when the name holds the identifiers in a USB or Bluetooth interface path.
bool NameCouldBeHidDevice(const std::string& name, uint16_t product, uint16_t vendor) {
  char usb[] = "vid_vvvv&pid_pppp";
  PutHexDigits(vendor, usb + 4);
  PutHexDigits(product, usb + 13);
  char bluetooth[] = "_vid&0002vvvv_pid&pppp";
  PutHexDigits(vendor, bluetooth + 9);
  PutHexDigits(product, bluetooth + 18);
  return HoldsInAnyCase(name, usb) || HoldsInAnyCase(name, bluetooth);
}

// True when two interface names are the same path in any case.
bool SameInterfacePath(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// Reads a notice's interface name, 8-bit or UTF-16; false when the field holds none.
bool ReadNoticeName(const char* field, size_t size, std::string* name) {
  name->clear();
  if (field == nullptr) return false;
  // NOTE: a path begins with an ASCII character, so a second byte of 0 marks the wide record.
  const size_t step = size >= 4 && field[0] != 0 && field[1] == 0 ? 2 : 1;
  for (size_t i = 0; i + step <= size; i += step) {
    const bool high = step == 2 && field[i + 1] != 0;
    if (field[i] == 0 && !high) return !name->empty();
    const bool outside_ascii = step == 2 && (high || (field[i] & 0x80) != 0);
    name->push_back(outside_ascii ? '?' : field[i]);
  }
  name->clear();
  return false;
}
