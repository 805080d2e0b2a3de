// The board's HID report descriptor: the bytes a board needs to speak to the console, as the
// README shows them. Plain C, so that the driver and the host's tests build with it.
#pragma once

// Vendor-defined usage page 0xFF00, usage 1: one application collection with one 4-byte input
// report (usage 2) and one 8-byte output report (usage 3), bytes 0 to 255, no report IDs.
static const unsigned char board_report_descriptor[] = {
    0x06, 0x00, 0xFF,  // Usage Page (Vendor-defined 0xFF00)
    0x09, 0x01,        // Usage (1)
    0xA1, 0x01,        // Collection (Application)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8 bits)
    0x95, 0x04,        //   Report Count (4)
    0x09, 0x02,        //   Usage (2)
    0x81, 0x02,        //   Input (Data, Variable, Absolute): 4 bytes
    0x95, 0x08,        //   Report Count (8)
    0x09, 0x03,        //   Usage (3)
    0x91, 0x02,        //   Output (Data, Variable, Absolute): 8 bytes
    0xC0,              // End Collection
};
