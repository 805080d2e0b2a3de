#include "app/report_frame.h"

#include <cstring>

#include "app/globals.h"
#include "app/receive.h"

static_assert(OUTPUT_REPORT_SIZE == CONSOLE_OUTPUT_LENGTH, "the console's output report");
static_assert(INPUT_REPORT_SIZE == CONSOLE_INPUT_LENGTH, "the console's input report");

namespace {

// True when the interface's own reports have room for the console's.
bool HasRoom(const HidFraming& framing) {
  return FitOf(framing) != HidFit::kNeither;
}

}  // namespace

// Returns the output report's length on an interface, ID byte included.
int32_t OutputReportLength(const HidFraming& framing) {
  return HasRoom(framing) ? framing.output_length : OUTPUT_REPORT_SIZE;
}

// Returns the input report's length on an interface, ID byte included.
int32_t InputReportLength(const HidFraming& framing) {
  return HasRoom(framing) ? framing.input_length : INPUT_REPORT_SIZE;
}

// Writes the report ID, the 8 payload bytes and the zeros after them.
void FrameOutputReport(const HidFraming& framing, uint8_t* report) {
  const int32_t length = OutputReportLength(framing);
  std::memset(report, 0, static_cast<size_t>(length));
  // NOTE: ReportBuffer's byte 0 is always 0; an interface that numbers its output report is
  // written with that number in byte 0, as Windows wants.
  report[0] = HasRoom(framing) ? framing.output_report_id : ReportBuffer[0];
  std::memcpy(report + 1, ReportBuffer + 1, OUTPUT_REPORT_SIZE - 1);
}
