// quillbus.sys inside: the three kinds of device object it makes, and the board that its child
// device plays (board_device.c) for the bus and the control device (board_bus.c).
#pragma once

#include "board_control.h"
#include "hidport.h"

enum DeviceKind { BUS_DEVICE = 1, BOARD_DEVICE = 2, CONTROL_DEVICE = 3 };

// The start of every device extension of this driver.
typedef struct DeviceTag {
  enum DeviceKind kind;
} DeviceTag;

// The bus device: the function device on the root-enumerated device.
typedef struct BusExtension {
  DeviceTag tag;
  DEVICE_OBJECT* lower;     // the device this one is attached to
  DEVICE_OBJECT* physical;  // the root-enumerated device, whose bus relations change
} BusExtension;

// The board device: one per plug, reported as the bus's child while plugged.
typedef struct BoardExtension {
  DeviceTag tag;
  BOOLEAN gone;         // unplugged or being removed: requests are refused
  BOOLEAN unplugged;    // no longer reported: deleted on removal
  ULONG child;          // 0: the board; else the number of one more child (board.children)
  ULONG port;           // the board's port when it was plugged
  BoardChild identity;  // what it answers as: identifiers, descriptor kind, framing
} BoardExtension;

// Returns the kind of one of this driver's devices.
static inline enum DeviceKind KindOf(DEVICE_OBJECT* device) {
  return ((DeviceTag*)device->DeviceExtension)->kind;
}

// Completes a request with a status and a byte count; returns the status.
NTSTATUS CompleteWith(IRP* irp, NTSTATUS status, ULONG_PTR information);

// The board device's plug and play requests: completes the request.
NTSTATUS BoardPnp(DEVICE_OBJECT* device, IRP* irp);
// hidclass's requests to the board device: completes the request or leaves it pending.
NTSTATUS BoardHidRequest(DEVICE_OBJECT* device, IRP* irp);
