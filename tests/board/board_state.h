// The board's state (board_state.c), as its device and the control device use it.
#pragma once

#include "board_bus.h"

// Sets up the board's state and its hold thread; unplugged, with no bus yet.
NTSTATUS InitBoard(DRIVER_OBJECT* driver);
// Remembers the root-enumerated device whose bus relations carry the board, and plugs it.
void SetBoardBus(DEVICE_OBJECT* physical);
// Returns a referenced relations list with the board device while plugged (else empty).
DEVICE_RELATIONS* BoardRelations(void);
// Puts a new board device on the bus (nothing when one is there); returns the status.
NTSTATUS PlugBoard(void);
// Takes the board device off the bus (nothing when there is none).
void UnplugBoard(void);
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
