// The device presence monitor: follows the device as it is plugged in and out.
#pragma once

#include <cstdint>
#include <string>

// The device this program serves.
constexpr uint16_t DEVICE_VENDOR_ID = 0xAAAA;
constexpr uint16_t DEVICE_PRODUCT_ID = 0xEF22;

// StatusLabel, the status line at the top of the window.
constexpr int32_t STATUS_LABEL = 0;

// A device that is seen but cannot be opened (another program holds it) is tried again after
// this long, not at every tick.
constexpr uint64_t OPEN_RETRY_MS = 2000;
// After a failed probe of the device held, the pause before the second probe that confirms it.
constexpr uint32_t PROBE_CONFIRM_MS = 20;

// Looks for the device; on a change opens or closes WriteHandle and ReadHandle and updates
// StatusLabel. While both handles are open it only asks the device behind WriteHandle, and
// closes them only when that device fails two probes in a row. Main thread only; returns 0.
int32_t CheckDevice();
// Acts on the device notices that came together, with one check at most: a removal counts
// while the device is held and names its interface (or names none); an arrival counts while
// it is not held and could be the device (or names none), and one that names the device
// also ends the wait after a failed open.
void HandleDeviceNotices();
// True when an interface name could be the device's: it holds the device's vendor and
// product as a USB (vid_aaaa&pid_ef22) or Bluetooth (_vid&0002aaaa_pid&ef22) path does, in
// any case.
bool NameCouldBeTheDevice(const std::string& name);

// Platform: milliseconds on a clock that never goes back.
uint64_t PresenceClockMs();
// Platform: pauses the calling (main) thread for `ms` milliseconds.
void PresencePause(uint32_t ms);
