// The board's state (board_state.c), as its device and the control device use it.
#pragma once

#include "board_bus.h"
#include "board_control.h"

#define MAX_INPUTS 64
#define MAX_OUTPUTS 256

// One more child on the bus beside the board: its device while plugged, and hidclass's reads,
// which it never answers.
typedef struct BoardMore {
  DEVICE_OBJECT* device;
  LIST_ENTRY reads;
} BoardMore;

// A device's reports at the minidriver: payload bytes in and out, and the report ID (0: none).
typedef struct BoardFraming {
  ULONG input, output, id;
} BoardFraming;

// The board: one, whatever device plays it now; every field under `lock`.
typedef struct BoardState {
  KSPIN_LOCK lock;
  DRIVER_OBJECT* driver;
  DEVICE_OBJECT* bus;    // the root-enumerated device whose bus relations carry the board
  DEVICE_OBJECT* child;  // the board device while plugged
  ULONG next_name;
  LIST_ENTRY reads;  // hidclass's read requests waiting for an input report
  LIST_ENTRY held;   // writes held pending: end time in DriverContext[0]
  KEVENT wake;       // the board's thread has a new held write to time

  UCHAR inputs[MAX_INPUTS][BOARD_INPUT_BYTES];
  ULONG first_input, input_count;
  BoardOutput outputs[MAX_OUTPUTS];
  ULONG output_count;
  LONG refuse_count;
  NTSTATUS refuse_status;
  ULONG hold_ms;
  BOOLEAN echo;
  ULONG port;           // the board's port at its next plug
  BoardChild identity;  // what the board answers as from its next plug
  BoardCounters counters;
  BoardMore children[BOARD_MAX_CHILDREN];  // children 1 to BOARD_MAX_CHILDREN
} BoardState;

extern BoardState board;

// The console's identity: what the board answers as unless asked otherwise.
extern const BoardChild console_identity;
// Returns the framing of a device of this identity.
BoardFraming FramingOf(const BoardChild* identity);
// True for an identity that a device can answer as: a known kind, a report ID below 256.
BOOLEAN ValidIdentity(const BoardChild* identity);
// Writes the report descriptor of a device of this identity into `out` (room for
// BOARD_DESCRIPTOR_ROOM bytes); returns its size.
#define BOARD_DESCRIPTOR_ROOM 64
ULONG DescriptorOf(const BoardChild* identity, UCHAR* out);

// Writes one input report of a device's framing into a read request, the value queued in its
// first payload bytes; returns the byte count.
ULONG FillRead(IRP* irp, const UCHAR* report, const BoardFraming* framing);
// Queues one input report for hidclass's next read, or hands it to the read waiting now.
NTSTATUS SendInput(const UCHAR* report);

// Sets up the board's state and its thread; unplugged, with no bus yet.
NTSTATUS InitBoard(DRIVER_OBJECT* driver);
// Remembers the root-enumerated device whose bus relations carry the board, and plugs it.
void SetBoardBus(DEVICE_OBJECT* physical);
// Returns a referenced relations list with the board device while plugged (else empty).
DEVICE_RELATIONS* BoardRelations(void);
// Puts a new board device on the bus (nothing when one is there); returns the status.
NTSTATUS PlugBoard(void);
// Takes the board device off the bus (nothing when there is none).
void UnplugBoard(void);
// Puts one more child on the bus; *number gets its number. Returns the status.
NTSTATUS PlugChild(const BoardChild* identity, ULONG* number);
// Takes every such child off the bus.
void UnplugChildren(void);
// Marks a board device as going and ends its reads and held writes.
void EndBoard(BoardExtension* ext);
// A read from hidclass: answered at once from the queue, or left pending; refused as deleted
// once the device goes.
NTSTATUS ReadInput(IRP* irp, BoardExtension* ext);
// A write from hidclass: refused as asked, else kept, and completed now or held pending;
// refused as not connected once the device goes.
NTSTATUS WriteOutput(IRP* irp, const HID_XFER_PACKET* packet, BoardExtension* ext);
// The control device's requests (IOCTL_BOARD_*): completes the request.
NTSTATUS BoardControl(IRP* irp);
