// The send commands of the nine row buttons.
#pragma once

#include <cstdint>

// A write that has not completed within this time is cancelled; the window answers again.
constexpr uint32_t WRITE_LIMIT_MS = 1000;

// Copies the whole text of a row's field (4, 5 or 6) into CurrentText.
void TakeRowText(int32_t field);
// Writes ReportBuffer bytes 0 to 8 to WriteHandle as one output report of the held
// interface's framing, or shows the no-device message.
void SendReport();
// Runs the command of a row button: take the row's text, encode it, send the report.
// Returns false, doing nothing, when the gadget is not one of the nine row buttons.
bool RunRowCommand(int32_t gadget);
