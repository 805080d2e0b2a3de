#include "app/receive.h"

#include "app/read_handover.h"
#include "common/lock.h"
#include "hid/hid.h"
#include "ui/ui.h"

// Returns the signed value of an input report's bytes 1 to 4 (little-endian).
int32_t InputReportValue(const uint8_t* report) {
  const uint32_t value = static_cast<uint32_t>(report[1]) | static_cast<uint32_t>(report[2]) << 8 |
                         static_cast<uint32_t>(report[3]) << 16 |
                         static_cast<uint32_t>(report[4]) << 24;
  return static_cast<int32_t>(value);
}

// Returns a value as signed decimal text.
std::string FormatValue(int32_t value) {
  return std::to_string(static_cast<int64_t>(value));
}

namespace {

// The generation of the handle whose reads have been failing since its last good one, 0 when
// none; touched by the receive thread only.
uint32_t FailingGeneration = 0;

}  // namespace

// Reads one report on ReadHandle, if there is one, and shows its value.
void RunReceivePass(uint8_t* buffer) {
  const ReadTicket ticket = AcquireReadHandle();
  if (ticket.handle == 0) {
    FailingGeneration = 0;
    return;
  }
  const int32_t read = ReadHidDevice(ticket.handle, buffer, ticket.length);
  const bool still_held = ReleaseReadHandle();
  if (ReceiveStopRequested()) return;
  // Only a value that was read is shown. A failed read is tried again after the pause, and
  // the first of a run on one handle has the main thread ask the device at once whether it is
  // still there; a read failed by the main thread's cancel when it retired the handle says
  // nothing about the device.
  if (read == 0) {
    if (!still_held) return;
    if (FailingGeneration != ticket.generation) PostApplicationEvent(ReadFailed);
    FailingGeneration = ticket.generation;
    return;
  }
  FailingGeneration = 0;
  // A short report shows nothing: the buffer's bytes past its end are an earlier report's.
  if (read < ticket.length) return;
  PutGadgetText(RECEIVE_FIELD, FormatValue(InputReportValue(buffer)).c_str());
}

// The receive thread's body.
void ReceiveLoop() {
  uint8_t buffer[RECEIVE_BUFFER_SIZE] = {};
  while (!ReceiveStopRequested()) {
    RunReceivePass(buffer);
    SleepMilliseconds(RECEIVE_PAUSE_MS);
  }
}
