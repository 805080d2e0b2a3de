// The device presence monitor: follows the device as it is plugged in and out.
#pragma once

#include <cstdint>

// The device this program serves.
constexpr uint16_t DEVICE_VENDOR_ID = 0xAAAA;
constexpr uint16_t DEVICE_PRODUCT_ID = 0xEF22;

// StatusLabel, the status line at the top of the window.
constexpr int32_t STATUS_LABEL = 0;

// Looks for the device; on a change opens or closes WriteHandle and ReadHandle and updates
// StatusLabel. While both handles are open it only asks the device behind WriteHandle; one
// that no longer answers, or a handle marked lost, counts as a change, and a device found
// while either open failed is opened again. Main thread only; returns 0.
int32_t CheckDevice();
