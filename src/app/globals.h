// The program's global state, created at start-up and living until the process ends.
#pragma once

#include <cstdint>
#include <string>

#include "hid/hid.h"

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
// Handle for the send commands; 0 when no device is open. Main thread only.
extern HidHandle WriteHandle;
// 1 while the last lookup found the device, else 0. Main thread only.
extern int32_t DeviceState;
// The interface path that the open of both handles used; empty while they are closed. Main
// thread only.
extern std::string DevicePath;
// While the device is seen but cannot be opened: the time (PresenceClockMs) from which the
// open is tried again; 0 otherwise. Main thread only.
extern uint64_t OpenRetryAt;

// Resets every global to its start-up value (start-up steps 3 and 4).
void ResetGlobals();
