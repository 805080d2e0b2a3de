#include "app/shell.h"

#include "app/globals.h"
#include "app/presence.h"
#include "app/receive.h"
#include "app/receive_thread.h"
#include "app/send.h"
#include "hid/hid.h"
#include "ui/ui.h"

#ifdef QUILL_STARTUP_TRACE
// Only the bench's build (bench/startup_trace.cpp): notes the end of a start-up step.
void MarkStartupStep(const char* step);
#define STARTUP_STEP(step) MarkStartupStep(step)
#else
#define STARTUP_STEP(step) ((void)0)
#endif

namespace {

enum class Kind { kLabel, kButton, kTextField, kFrame };

struct GadgetSpec {
  Kind kind;
  int32_t number;
  int32_t x, y, width, height;
  const char* text;
  uint32_t flags;
};

// The fifteen gadgets in creation order, which is also the Tab order of the focusable ones.
constexpr GadgetSpec kGadgets[] = {
    {Kind::kLabel, STATUS_LABEL, 4, 4, 182, 16, "No HID device", 1},
    {Kind::kButton, 1, 35, 30, 60, 25, "Text", 0},
    {Kind::kButton, 11, 105, 30, 60, 25, "Hex", 0},
    {Kind::kButton, 13, 175, 30, 60, 25, "Digit", 0},
    {Kind::kTextField, 4, 35, 60, 200, 25, "12345678", 0},
    {Kind::kButton, 2, 35, 90, 60, 25, "Text", 0},
    {Kind::kButton, 21, 105, 90, 60, 25, "Hex", 0},
    {Kind::kButton, 23, 175, 90, 60, 25, "Digit", 0},
    {Kind::kTextField, 5, 35, 120, 200, 25, "56789ABC", 0},
    {Kind::kButton, 3, 35, 150, 60, 25, "Text", 0},
    {Kind::kButton, 31, 105, 150, 60, 25, "Hex", 0},
    {Kind::kButton, 33, 175, 150, 60, 25, "Digit", 0},
    {Kind::kTextField, 6, 35, 180, 200, 25, "ABCDEFGH", 0},
    {Kind::kFrame, AUTOMATIC_NUMBER, 4, 210, 270, 90, "Recive", 0},
    {Kind::kTextField, RECEIVE_FIELD, 8, 235, 260, 50, "OFF", 0x801},
};

// ReceiveField's text colour: red 0, green 0, blue 223.
constexpr int32_t RECEIVE_COLOUR = 0xDF0000;
// Window flags: caption, system menu, minimise box; centred; created invisible.
constexpr uint32_t MAIN_WINDOW_FLAGS = 0x10CA0001;
// How long shutdown waits for the receive thread to leave.
constexpr uint32_t RECEIVE_STOP_LIMIT_MS = 500;

// Creates one gadget of the layout table.
void MakeGadget(const GadgetSpec& g) {
  switch (g.kind) {
    case Kind::kLabel:
      MakeLabel(g.number, g.x, g.y, g.width, g.height, g.text, g.flags);
      break;
    case Kind::kButton:
      MakeButton(g.number, g.x, g.y, g.width, g.height, g.text, g.flags);
      break;
    case Kind::kTextField:
      MakeTextField(g.number, g.x, g.y, g.width, g.height, g.text, g.flags);
      break;
    case Kind::kFrame:
      MakeFrame(g.number, g.x, g.y, g.width, g.height, g.text, 0);
      break;
  }
}

}  // namespace

// Builds MainWindow with its gadgets and shows it complete.
void BuildMainWindow() {
  MakeWindow(MAIN_WINDOW, 0, 0, 280, 300, "QUILLOMATIC", MAIN_WINDOW_FLAGS);
  STARTUP_STEP("window");
  for (const GadgetSpec& g : kGadgets) MakeGadget(g);
  FocusGadget(4);  // typing goes to row 1's field; a focused button would send at a Space
  STARTUP_STEP("controls");
  ApplyGadgetFont(RECEIVE_FIELD, FontHandleOf(VALUE_FONT));
  ApplyGadgetColour(RECEIVE_FIELD, 1, RECEIVE_COLOUR);
  STARTUP_STEP("field");
  SetWindowHidden(MAIN_WINDOW, 0);
  STARTUP_STEP("shown");
}

// Runs the event loop until the window is asked to close.
void RunEventLoop() {
  int32_t last_event = 0;
  do {
    last_event = NextEvent(-1);
    if (last_event == TimerTick) {
      if (TimerOfEvent() == PRESENCE_TIMER) CheckDevice();
    } else if (last_event == DeviceNotice) {
      // HID interfaces arrived or were removed: look at once when one can be the device.
      HandleDeviceNotices();
    } else if (last_event == ReadFailed) {
      HandleReadFailure();
    } else if (last_event == GadgetUsed) {
      // Text fields (4, 5, 6 and 12) also raise GadgetUsed; they run no command.
      RunRowCommand(GadgetOfEvent());
    }
  } while (last_event != CloseRequested);
}

// Runs the whole program.
int RunQuillomatic() {
  STARTUP_STEP("entry");
  StartWindowLayer();
  STARTUP_STEP("layer");
  MakeFont(VALUE_FONT, "Arial", 22, 256);
  ResetGlobals();
  STARTUP_STEP("font");
  BuildMainWindow();
  // NOTE: nothing before the class GUID needs hid.dll, so it is loaded once the window shows,
  // off the path to it. setupapi.dll is no such load: the exe imports it (SetupDiGetClassDevsA,
  // SetupDiDestroyDeviceInfoList), so the loader brings it in before the program starts, and
  // InitHidAccess only binds it again for the two functions reached by name. The window answers
  // and paints nothing before the first check below has run, so the status line that it first
  // shows is already the check's.
  CreateLibraryTable();
  InitHidAccess();
  STARTUP_STEP("libraries");
  uint8_t hid_class[16] = {};
  FetchHidClassGuid(hid_class);
  WatchDeviceInterfaces(MAIN_WINDOW, hid_class);
  STARTUP_STEP("watch");
  CheckDevice();
  STARTUP_STEP("check");
  StartWindowTimer(MAIN_WINDOW, PRESENCE_TIMER, PRESENCE_PERIOD_MS);
  StartReceiveThread();
  STARTUP_STEP("ready");

  RunEventLoop();

  UnwatchDeviceInterfaces(MAIN_WINDOW);
  FreeAllSystemLibraries();
  const bool receive_stopped = StopReceiveThread(RECEIVE_STOP_LIMIT_MS);
  StopHidWriter();
  ReleasePresence();
  // A receive thread still stuck in a read may yet touch ReceiveField, so the windows are then
  // left to the process exit.
  if (receive_stopped) StopWindowLayer();
  return 0;
}
