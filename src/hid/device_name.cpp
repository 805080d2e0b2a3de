// Interface names as device notices carry them: matching the device's path, and reading the
// name out of a notice record in either of its two widths.
#include <cctype>
#include <string>

#include "hid/hid.h"

namespace {

// Returns a text in lower case (ASCII letters only, as device paths are).
std::string Lowered(const std::string& text) {
  std::string lowered = text;
  for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lowered;
}

// Returns a 16-bit value as four lower-case hexadecimal digits.
std::string HexDigits(uint16_t value) {
  const char* digits = "0123456789abcdef";
  std::string text(4, '0');
  for (int i = 3; i >= 0; --i, value = static_cast<uint16_t>(value >> 4))
    text[i] = digits[value & 0xF];
  return text;
}

}  // namespace

// True when the name holds the identifiers in a USB or Bluetooth interface path.
bool NameCouldBeHidDevice(const std::string& name, uint16_t product, uint16_t vendor) {
  const std::string usb = "vid_" + HexDigits(vendor) + "&pid_" + HexDigits(product);
  const std::string bluetooth = "_vid&0002" + HexDigits(vendor) + "_pid&" + HexDigits(product);
  const std::string lowered = Lowered(name);
  return lowered.find(usb) != std::string::npos || lowered.find(bluetooth) != std::string::npos;
}

// True when two interface names are the same path in any case.
bool SameInterfacePath(const std::string& a, const std::string& b) {
  return Lowered(a) == Lowered(b);
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
