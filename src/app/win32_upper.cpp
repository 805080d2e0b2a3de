#include <windows.h>

#include "app/encoders.h"

// Upper-cases a text in place with CharUpperA, the ANSI code page's own mapping.
void UpperCaseText(std::string& text) {
  if (!text.empty()) CharUpperA(&text[0]);
}
