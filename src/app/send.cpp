#include "app/send.h"

#include "app/encoders.h"
#include "app/globals.h"
#include "app/presence.h"
#include "app/report_frame.h"
#include "hid/hid.h"
#include "ui/ui.h"

namespace {

enum class Mode { kText, kHex, kDigit };

struct RowCommand {
  int32_t button;  // gadget number of the button
  int32_t field;   // gadget number of the row's text field (RowField)
  Mode mode;
};

// In the order in which the event loop compares the gadget number.
constexpr RowCommand kRowCommands[] = {
    {1, 4, Mode::kText}, {11, 4, Mode::kHex}, {13, 4, Mode::kDigit},
    {2, 5, Mode::kText}, {21, 5, Mode::kHex}, {23, 5, Mode::kDigit},
    {3, 6, Mode::kText}, {31, 6, Mode::kHex}, {33, 6, Mode::kDigit},
};

}  // namespace

// Copies the whole text of a row's field into CurrentText.
void TakeRowText(int32_t field) {
  CurrentText = FetchGadgetText(field);
}

// Writes the output report, or tells the user that no device is open.
void SendReport() {
  const HidHandle write_handle = PresenceDevice.WriteHandle;
  if (write_handle != 0) {
    // One whole output report of the interface's length: Windows refuses any other.
    uint8_t report[MAX_REPORT_LENGTH];
    FrameOutputReport(PresenceDevice.framing, report);
    // A failed or short write ends the command silently. After a failure the device itself is
    // asked at once whether it is still there; its error code is not judged, since one code
    // means different things (ERROR_GEN_FAILURE is a report the device stalled as well as a
    // device that left the bus), and only the answer of the device is always right.
    if (WriteHidDeviceWithin(write_handle, report, OutputReportLength(PresenceDevice.framing),
                             WRITE_LIMIT_MS, WaitHandlingSentMessages) == 0) {
      HandleWriteFailure();
    }
  } else {
    ShowMessageBox("QUILLOMATIC", "No HID device", 16);
  }
}

// Runs the command of a row button; false when the gadget is no row button.
bool RunRowCommand(int32_t gadget) {
  for (const RowCommand& command : kRowCommands) {
    if (command.button != gadget) continue;
    TakeRowText(command.field);
    switch (command.mode) {
      case Mode::kText:
        EncodeText();
        break;
      case Mode::kHex:
        HexValue = ParseHexText();
        PlaceHexValue();
        break;
      case Mode::kDigit:
        EncodeDigit();
        break;
    }
    SendReport();
    return true;
  }
  return false;
}
