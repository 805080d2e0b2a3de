// The control device's requests (board_control.h): the tests' hand on the board.
#include "board_state.h"

// Queues one input report for hidclass's next read, or hands it to the read waiting now.
NTSTATUS SendInput(const UCHAR* report) {
  IRP* read = NULL;
  BoardFraming framing = {0, 0, 0};
  NTSTATUS status = STATUS_SUCCESS;
  KIRQL irql;
  KeAcquireSpinLock(&board.lock, &irql);
  if (board.child == NULL) {
    status = STATUS_DEVICE_NOT_CONNECTED;
  } else if (!IsListEmpty(&board.reads)) {
    framing = FramingOf(&((BoardExtension*)board.child->DeviceExtension)->identity);
    read = CONTAINING_RECORD(RemoveHeadList(&board.reads), IRP, Tail.Overlay.ListEntry);
    board.counters.waiting_reads--;
  } else if (board.input_count == MAX_INPUTS) {
    status = STATUS_DEVICE_BUSY;
  } else {
    ULONG slot = (board.first_input + board.input_count) % MAX_INPUTS;
    RtlCopyMemory(board.inputs[slot], report, BOARD_INPUT_BYTES);
    board.input_count++;
  }
  KeReleaseSpinLock(&board.lock, irql);
  if (read != NULL) CompleteWith(read, STATUS_SUCCESS, FillRead(read, report, &framing));
  return status;
}

// Copies out and forgets the output reports received; returns the byte count.
static ULONG TakeOutputs(void* buffer, ULONG room) {
  KIRQL irql;
  KeAcquireSpinLock(&board.lock, &irql);
  ULONG n = room / sizeof(BoardOutput);
  if (n > board.output_count) n = board.output_count;
  RtlCopyMemory(buffer, board.outputs, n * sizeof(BoardOutput));
  RtlMoveMemory(board.outputs, board.outputs + n, (board.output_count - n) * sizeof(BoardOutput));
  board.output_count -= n;
  KeReleaseSpinLock(&board.lock, irql);
  return n * sizeof(BoardOutput);
}

// Ends every held write now: the hold thread completes them.
static void EndHoldsNow(void) {
  KIRQL irql;
  KeAcquireSpinLock(&board.lock, &irql);
  for (LIST_ENTRY* e = board.held.Flink; e != &board.held; e = e->Flink) {
    CONTAINING_RECORD(e, IRP, Tail.Overlay.ListEntry)->Tail.Overlay.DriverContext[0] = 0;
  }
  KeReleaseSpinLock(&board.lock, irql);
  KeSetEvent(&board.wake, IO_NO_INCREMENT, FALSE);
}

// Holds each later write for `ms` (0: none, and the held end now).
static void HoldWrites(ULONG ms) {
  KIRQL irql;
  KeAcquireSpinLock(&board.lock, &irql);
  board.hold_ms = ms;
  KeReleaseSpinLock(&board.lock, irql);
  if (ms == 0) EndHoldsNow();
}

// Forgets reports, refusals and holds (held writes end now); counters restart from zero; the
// children go. A board on another port than 1, or plugged as another identity than the
// console's, comes back on port 1 as the console's first.
static void ResetBoard(void) {
  KIRQL irql;
  KeAcquireSpinLock(&board.lock, &irql);
  const BoardExtension* ext = board.child != NULL ? board.child->DeviceExtension : NULL;
  const BOOLEAN moved =
      ext != NULL &&
      (ext->port != 1 || RtlCompareMemory(&ext->identity, &console_identity,
                                          sizeof console_identity) != sizeof console_identity);
  board.port = 1;
  board.identity = console_identity;
  KeReleaseSpinLock(&board.lock, irql);
  if (moved) {
    UnplugBoard();
    PlugBoard();
  }
  KeAcquireSpinLock(&board.lock, &irql);
  board.first_input = board.input_count = board.output_count = 0;
  board.refuse_count = 0;
  board.hold_ms = 0;
  board.echo = FALSE;
  ULONG plugged = board.counters.plugged, waiting = board.counters.waiting_reads;
  ULONG held = board.counters.held_now;
  RtlZeroMemory(&board.counters, sizeof board.counters);
  board.counters.plugged = plugged;
  board.counters.waiting_reads = waiting;
  board.counters.held_now = held;
  KeReleaseSpinLock(&board.lock, irql);
  EndHoldsNow();
  UnplugChildren();
}

// The control device's requests (IOCTL_BOARD_*), all buffered: completes the request.
NTSTATUS BoardControl(IRP* irp) {
  IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
  ULONG in = stack->Parameters.DeviceIoControl.InputBufferLength;
  ULONG out = stack->Parameters.DeviceIoControl.OutputBufferLength;
  void* buffer = irp->AssociatedIrp.SystemBuffer;
  KIRQL irql;
  switch (stack->Parameters.DeviceIoControl.IoControlCode) {
    case IOCTL_BOARD_PLUG:
      return CompleteWith(irp, PlugBoard(), 0);
    case IOCTL_BOARD_UNPLUG:
      UnplugBoard();
      return CompleteWith(irp, STATUS_SUCCESS, 0);
    case IOCTL_BOARD_SEND_INPUT:
      if (in != BOARD_INPUT_BYTES) return CompleteWith(irp, STATUS_INVALID_PARAMETER, 0);
      return CompleteWith(irp, SendInput(buffer), 0);
    case IOCTL_BOARD_TAKE_OUTPUT:
      return CompleteWith(irp, STATUS_SUCCESS, TakeOutputs(buffer, out));
    case IOCTL_BOARD_REFUSE_WRITES:
      if (in != sizeof(BoardRefusal)) return CompleteWith(irp, STATUS_INVALID_PARAMETER, 0);
      KeAcquireSpinLock(&board.lock, &irql);
      board.refuse_count = ((BoardRefusal*)buffer)->count;
      board.refuse_status = ((BoardRefusal*)buffer)->status;
      KeReleaseSpinLock(&board.lock, irql);
      return CompleteWith(irp, STATUS_SUCCESS, 0);
    case IOCTL_BOARD_HOLD_WRITES:
      if (in != sizeof(ULONG)) return CompleteWith(irp, STATUS_INVALID_PARAMETER, 0);
      HoldWrites(*(ULONG*)buffer);
      return CompleteWith(irp, STATUS_SUCCESS, 0);
    case IOCTL_BOARD_PORT:
      if (in != sizeof(ULONG) || *(ULONG*)buffer - 1 >= 99) {
        return CompleteWith(irp, STATUS_INVALID_PARAMETER, 0);
      }
      KeAcquireSpinLock(&board.lock, &irql);
      board.port = *(ULONG*)buffer;
      KeReleaseSpinLock(&board.lock, irql);
      return CompleteWith(irp, STATUS_SUCCESS, 0);
    case IOCTL_BOARD_IDENTITY:
      if (in != sizeof(BoardChild) || !ValidIdentity(buffer)) {
        return CompleteWith(irp, STATUS_INVALID_PARAMETER, 0);
      }
      KeAcquireSpinLock(&board.lock, &irql);
      board.identity = *(BoardChild*)buffer;
      KeReleaseSpinLock(&board.lock, irql);
      return CompleteWith(irp, STATUS_SUCCESS, 0);
    case IOCTL_BOARD_COUNTERS:
      if (out < sizeof(BoardCounters)) return CompleteWith(irp, STATUS_BUFFER_TOO_SMALL, 0);
      KeAcquireSpinLock(&board.lock, &irql);
      RtlCopyMemory(buffer, &board.counters, sizeof(BoardCounters));
      KeReleaseSpinLock(&board.lock, irql);
      return CompleteWith(irp, STATUS_SUCCESS, sizeof(BoardCounters));
    case IOCTL_BOARD_PLUG_CHILD: {
      ULONG number = 0;
      if (in != sizeof(BoardChild) || out < sizeof(ULONG) || !ValidIdentity(buffer)) {
        return CompleteWith(irp, STATUS_INVALID_PARAMETER, 0);
      }
      NTSTATUS status = PlugChild(buffer, &number);
      *(ULONG*)buffer = number;
      return CompleteWith(irp, status, NT_SUCCESS(status) ? sizeof(ULONG) : 0);
    }
    case IOCTL_BOARD_ECHO:
      if (in != sizeof(ULONG)) return CompleteWith(irp, STATUS_INVALID_PARAMETER, 0);
      KeAcquireSpinLock(&board.lock, &irql);
      board.echo = *(ULONG*)buffer != 0;
      KeReleaseSpinLock(&board.lock, irql);
      return CompleteWith(irp, STATUS_SUCCESS, 0);
    case IOCTL_BOARD_RESET:
      ResetBoard();
      return CompleteWith(irp, STATUS_SUCCESS, 0);
    default:
      return CompleteWith(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
  }
}
