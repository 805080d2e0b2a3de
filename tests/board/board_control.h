// The board's control channel, shared by the bus driver and the tests' client: the control
// device's names, its requests and their records. Plain C, so that the drivers build with it.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// The board's identity: what hidclass reads from the attributes request.
#define BOARD_VENDOR_ID 0xAAAA
#define BOARD_PRODUCT_ID 0xEF22
#define BOARD_VERSION 0x0100

// Report sizes at the minidriver: no report IDs, so hidclass adds and strips byte 0.
#define BOARD_INPUT_BYTES 4
#define BOARD_OUTPUT_BYTES 8

// The control device, made by the bus driver; user mode opens "\\.\QuillBoard".
#define BOARD_CONTROL_DEVICE L"\\Device\\QuillBoard"
#define BOARD_CONTROL_LINK L"\\DosDevices\\QuillBoard"
#define BOARD_CONTROL_PATH "\\\\.\\QuillBoard"

#define BOARD_CTL(n) CTL_CODE(FILE_DEVICE_UNKNOWN, 0x900 + (n), METHOD_BUFFERED, FILE_ANY_ACCESS)
// Plugs the board into the bus (nothing when it is plugged), on its port: no input, no output.
#define IOCTL_BOARD_PLUG BOARD_CTL(0)
// Unplugs it (nothing when it is out): its pending reads and held writes end first.
#define IOCTL_BOARD_UNPLUG BOARD_CTL(1)
// Queues one input report: BOARD_INPUT_BYTES bytes in; refused while unplugged.
#define IOCTL_BOARD_SEND_INPUT BOARD_CTL(2)
// Takes the output reports received so far: an array of BoardOutput out, oldest first.
#define IOCTL_BOARD_TAKE_OUTPUT BOARD_CTL(3)
// Refuses the next writes: a BoardRefusal in.
#define IOCTL_BOARD_REFUSE_WRITES BOARD_CTL(4)
// Holds each write pending for a time: a ULONG of milliseconds in (0: none, and the held end).
// Nothing but the board ends such a write: a cancel leaves it pending.
#define IOCTL_BOARD_HOLD_WRITES BOARD_CTL(5)
// Reads the counters: a BoardCounters out.
#define IOCTL_BOARD_COUNTERS BOARD_CTL(6)
// Forgets received reports, queued inputs, refusals, holds and echo;
// counters from zero; takes the children plugged with IOCTL_BOARD_PLUG_CHILD off the bus. A
// board on another port than 1, or of another identity than the console's, is first plugged
// again on port 1 as the console's.
#define IOCTL_BOARD_RESET BOARD_CTL(7)
// Echo: a ULONG in (0: off). While on, each output report kept queues an input report of its
// payload bytes 1 to 4, as a board that answers with what it was sent.
#define IOCTL_BOARD_ECHO BOARD_CTL(8)

// Plugs one more child beside the board, as a composite board's other interface: a BoardChild
// in, its number (1 and up) out as a ULONG. Reset takes every such child off the bus.
#define IOCTL_BOARD_PLUG_CHILD BOARD_CTL(16)
// The port that the board comes up on from its next plug: a ULONG in, 1 to 99 (1 at first).
// Its instance ID is the port's number, so on another port its interface has another path.
#define IOCTL_BOARD_PORT BOARD_CTL(18)
// What the board itself comes up as from its next plug: a BoardChild in (at first, and after a
// reset, the console's: BOARD_VENDOR_ID, BOARD_PRODUCT_ID, BOARD_VERSION, BOARD_KIND_CONSOLE).
// Its reads, writes, echo and counters serve it in that framing: an input report sent carries
// the value in its first 4 payload bytes, zeros after them.
#define IOCTL_BOARD_IDENTITY BOARD_CTL(19)

// Not the tests': asked of a board device by quillboard.sys (internal, METHOD_NEITHER), a
// BoardCountOpen out, which counts one open of a HID interface in BoardCounters::opens. Both
// drivers run in one process (board_bus.c), so the minidriver calls it directly.
#define IOCTL_BOARD_COUNT_OPEN CTL_CODE(FILE_DEVICE_UNKNOWN, 0xA00, METHOD_NEITHER, FILE_ANY_ACCESS)
typedef void (*BoardCountOpen)(void);

// A report descriptor: the board's own (BOARD_INPUT_BYTES in, BOARD_OUTPUT_BYTES out, no report
// IDs), or a vendor collection (usage page 0xFF00) with one input and one output report of the
// lengths chosen, by default 63 bytes in and 8 out, which takes the console's 9-byte writes.
#define BOARD_KIND_CONSOLE 0
#define BOARD_KIND_VENDOR 1
#define BOARD_MAX_CHILDREN 4

// A device's identifiers and descriptor kind; for the vendor kind, its reports' payload bytes
// without the ID byte (0: 63 in, 8 out) and their report ID (0: none; else 1 to 255).
typedef struct BoardChild {
  unsigned short vendor, product, version, kind;
  unsigned short input_bytes, output_bytes, report_id;
} BoardChild;

// The longest output report kept (a full-speed USB report of 64 bytes and its ID byte); a
// longer one is kept cut, with its full length.
#define BOARD_KEPT_BYTES 65

// One output report as the board received it.
typedef struct BoardOutput {
  unsigned long length;     // the packet's reportBufferLen
  unsigned long report_id;  // the packet's reportId
  unsigned char bytes[BOARD_KEPT_BYTES];
} BoardOutput;

// Refuse the next `count` writes, each completed with the NTSTATUS `status`.
typedef struct BoardRefusal {
  long count;
  long status;
} BoardRefusal;

// What the board has seen since the driver started or the last reset.
typedef struct BoardCounters {
  unsigned long plugged;        // 1 while the board is on the bus
  unsigned long writes;         // write requests that reached the board, refused ones too
  unsigned long refused;        // writes refused by request
  unsigned long held_now;       // writes held pending now
  unsigned long waiting_reads;  // read requests pending at the board now
  unsigned long child_writes[BOARD_MAX_CHILDREN];  // writes that reached each more child
  // Opens of any of the board's HID interfaces, its own and its children's, query-only ones
  // too: every choice that enumerates the interfaces opens each one that it sees.
  unsigned long opens;
} BoardCounters;

#ifdef __cplusplus
}
#endif
