#include "app/globals.h"

#include <cstring>

uint8_t ReportBuffer[REPORT_BUFFER_SIZE];
std::string CurrentText;
std::string ScratchText;
int32_t HexValue = 0;
int32_t DeviceState = 0;

// Resets every global to its start-up value.
void ResetGlobals() {
  CurrentText.clear();
  ScratchText.clear();
  std::memset(ReportBuffer, 0, sizeof ReportBuffer);
  HexValue = 0;
  DeviceState = 0;
}
