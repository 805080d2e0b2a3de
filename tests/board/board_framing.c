// What a board device answers as: the console's own reports, or a vendor collection whose
// report lengths and report ID the test chose; its report descriptor and its input reports.
#include "board_descriptor.h"
#include "board_state.h"

const BoardChild console_identity = {
    BOARD_VENDOR_ID, BOARD_PRODUCT_ID, BOARD_VERSION, BOARD_KIND_CONSOLE, 0, 0, 0};

// Returns the framing of a device of this identity.
BoardFraming FramingOf(const BoardChild* identity) {
  BoardFraming framing = {BOARD_INPUT_BYTES, BOARD_OUTPUT_BYTES, 0};
  if (identity->kind != BOARD_KIND_VENDOR) return framing;
  framing.input = identity->input_bytes != 0 ? identity->input_bytes : 63;
  framing.output = identity->output_bytes != 0 ? identity->output_bytes : 8;
  framing.id = identity->report_id;
  return framing;
}

// True for an identity that a device can answer as: a known kind, a report ID below 256.
BOOLEAN ValidIdentity(const BoardChild* identity) {
  return identity->kind <= BOARD_KIND_VENDOR && identity->report_id <= 0xFF;
}

// Writes one input report of a device's framing into a read request, the value queued in its
// first payload bytes, zeros after them; returns the byte count. hidclass asks for the whole
// report, its ID byte first when the device uses report IDs (and then it must be there).
ULONG FillRead(IRP* irp, const UCHAR* report, const BoardFraming* framing) {
  IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
  const ULONG length = (framing->id != 0) + framing->input;
  if (stack->Parameters.DeviceIoControl.OutputBufferLength < length) return 0;
  UCHAR* out = irp->UserBuffer;
  RtlZeroMemory(out, length);
  if (framing->id != 0) *out++ = (UCHAR)framing->id;
  RtlCopyMemory(out, report,
                framing->input < BOARD_INPUT_BYTES ? framing->input : BOARD_INPUT_BYTES);
  return length;
}

// Appends `size` bytes to a descriptor being written; returns its new length.
static ULONG Put(UCHAR* out, ULONG at, const UCHAR* bytes, ULONG size) {
  RtlCopyMemory(out + at, bytes, size);
  return at + size;
}

// Appends a Report Count item (one data byte up to 255, else two); returns the new length.
static ULONG PutCount(UCHAR* out, ULONG at, ULONG count) {
  const UCHAR item[] = {count <= 0xFF ? 0x95 : 0x96, (UCHAR)count, (UCHAR)(count >> 8)};
  return Put(out, at, item, count <= 0xFF ? 2 : 3);
}

// Writes the report descriptor of a device of this identity into `out` (room for
// BOARD_DESCRIPTOR_ROOM bytes); returns its size. The vendor kind is one collection (usage
// 0x10) with, after the report ID when there is one, an input report (usage 0x11) and an output
// report (usage 0x12) of bytes 0 to 255.
ULONG DescriptorOf(const BoardChild* identity, UCHAR* out) {
  if (identity->kind != BOARD_KIND_VENDOR) {
    return Put(out, 0, board_report_descriptor, sizeof board_report_descriptor);
  }
  const BoardFraming framing = FramingOf(identity);
  static const UCHAR head[] = {
      0x06, 0x00, 0xFF, 0x09, 0x10,  // Usage Page (Vendor-defined 0xFF00), Usage (0x10)
      0xA1, 0x01,                    // Collection (Application)
  };
  static const UCHAR items[] = {
      0x15, 0x00, 0x26, 0xFF, 0x00,  //   Logical Minimum (0), Maximum (255)
      0x75, 0x08,                    //   Report Size (8)
  };
  static const UCHAR input[] = {0x09, 0x11, 0x81, 0x02};   // Usage (0x11), Input (Data, Var, Abs)
  static const UCHAR output[] = {0x09, 0x12, 0x91, 0x02};  // Usage (0x12), Output (Data, Var, Abs)
  static const UCHAR end[] = {0xC0};                       // End Collection
  const UCHAR report_id[] = {0x85, (UCHAR)framing.id};     //   Report ID
  ULONG n = Put(out, 0, head, sizeof head);
  if (framing.id != 0) n = Put(out, n, report_id, sizeof report_id);
  n = Put(out, n, items, sizeof items);
  n = Put(out, PutCount(out, n, framing.input), input, sizeof input);
  n = Put(out, PutCount(out, n, framing.output), output, sizeof output);
  return Put(out, n, end, sizeof end);
}
