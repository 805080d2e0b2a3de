// The program's global state, created at start-up and living until the process ends.
#pragma once

#include <cstdint>
#include <string>

// Report bytes: 0 is the report ID (always 0), 1 to 8 the payload; 9 and 10 are never sent.
constexpr int REPORT_BUFFER_SIZE = 11;
// Length of the output report written to the device: report ID and 8 payload bytes.
constexpr int32_t OUTPUT_REPORT_SIZE = 9;

extern uint8_t ReportBuffer[REPORT_BUFFER_SIZE];
// The row text being encoded; the Hex encoder rewrites it.
extern std::string CurrentText;
// Working text of the Text and Digit encoders.
extern std::string ScratchText;
// The last result of the Hex parser.
extern int32_t HexValue;
// The result of the last lookup: 1 when it found the device, else 0. Main thread only.
extern int32_t DeviceState;

// Resets every global to its start-up value (start-up steps 3 and 4).
void ResetGlobals();
