// The console's reports as the interface it holds frames them. On an interface of the
// console's own framing they are exactly its 9-byte output and 5-byte input reports; on one
// with room for them, each report is as long as the interface's own, the output report led by
// its report ID and filled with zeros after the 8 payload bytes.
#pragma once

#include <cstdint>

#include "hid/hid.h"

// Returns the length, ID byte included, of the output report written on an interface: its own
// when it has room for the console's reports, else the console's.
int32_t OutputReportLength(const HidFraming& framing);
// Returns the length, ID byte included, of the input report read on an interface: its own
// when it has room for the console's reports, else the console's.
int32_t InputReportLength(const HidFraming& framing);
// Fills `report` with the OutputReportLength bytes of one output report: the interface's
// output report ID (0 when it has none), ReportBuffer bytes 1 to 8, then zeros.
void FrameOutputReport(const HidFraming& framing, uint8_t* report);
