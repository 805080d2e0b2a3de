// The receive loop: shows every value the device reports in ReceiveField.
#pragma once

#include <cstdint>
#include <string>

#include "hid/hid.h"
#include "ui/ui.h"

// ReceiveField, the large blue read-only field inside the "Recive" frame.
constexpr int32_t RECEIVE_FIELD = 12;
// Length of the console's input report: report ID and a little-endian signed 32-bit value.
constexpr int32_t INPUT_REPORT_SIZE = 5;
// The receive buffer: room for the longest input report read.
constexpr int RECEIVE_BUFFER_SIZE = MAX_REPORT_LENGTH;
// Pause after every pass, which bounds the loop to 50 reads a second.
constexpr int RECEIVE_PAUSE_MS = 20;
// The receive thread's event: reads on ReadHandle have begun to fail (one per run of failures
// on one handle; a read that the main thread cancelled is none).
constexpr int32_t ReadFailed = FIRST_APPLICATION_EVENT;

// Returns the signed value of an input report's bytes 1 to 4 (little-endian).
int32_t InputReportValue(const uint8_t* report);
// Returns a value as decimal text: "-" for negatives, no "+", no leading zeros or grouping.
std::string FormatValue(int32_t value);

// One pass without the pause: reads one whole input report on ReadHandle, if there is one, and
// shows its value; a failed read shows nothing, and the first of a run posts ReadFailed; a
// read shorter than the input report shows nothing. The buffer keeps its bytes from pass to
// pass.
void RunReceivePass(uint8_t* buffer);
// The receive thread's body: passes and pauses until the loop is asked to stop.
void ReceiveLoop();
