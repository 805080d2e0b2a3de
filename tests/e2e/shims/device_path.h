// Names of simulated devices: a message-mode pipe per device, whose name carries the
// device's vendor, product and version numbers as a USB HID interface path does, the list file
// that says which are plugged, and the file that says which another program holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace devsim {

// The HID device interface class that HidD_GetHidGuid hands out.
struct ClassGuid {
  uint32_t data1;
  uint16_t data2, data3;
  uint8_t data4[8];
};
constexpr ClassGuid kHidClassGuid = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

struct DeviceIds {
  uint16_t vendor = 0;
  uint16_t product = 0;
  uint16_t version = 0;
};

// Returns the pipe path \\.\pipe\quillsim-<tag>#vid_vvvv&pid_pppp&rev_rrrr of a device.
std::string MakeDevicePath(const std::string& tag, const DeviceIds& ids);

// Reads the identifiers back from the tail of a device path or a bare pipe name.
bool ParseDeviceIds(const std::string& name, DeviceIds* ids);

// Returns the list file's path: $QUILL_SIM_STATE, else C:\quillsim\devices.txt.
std::string DeviceListPath();

// Reads the plugged devices' paths, in enumeration order; an absent file is an empty list.
std::vector<std::string> ReadDeviceList(const std::string& file);

// Returns the file beside the list that counts enumerations, one byte each.
std::string EnumerationTally(const std::string& list_file);

// Adds one enumeration to the tally beside the list file in use.
void CountEnumeration();

// Returns the file beside the list that names the devices another program holds: their
// read-write handles are refused.
std::string HeldList(const std::string& list_file);

// Replaces the list file in one step (write beside, then rename over).
bool WriteDeviceList(const std::string& file, const std::vector<std::string>& paths);

}  // namespace devsim
