// The board's state and what its device (board_device.c) does with it: hidclass's reads and
// writes, plugging and unplugging, the bus relations, and the board's thread, which ends held
// writes when their time is up. The control device's requests are in board_requests.c.
#include "board_state.h"

#include "board_control.h"

// NOTE: the WDK headers read the time from the kernel's shared page at a fixed address, which
// Wine does not map, and Wine's KeQueryInterruptTime stands still in a driver's threads; its
// KeQuerySystemTime follows the clock, and is looked up by name (mingw-w64's import library
// has only the header's form).
typedef VOID(NTAPI* SystemTimeFn)(LARGE_INTEGER*);
static SystemTimeFn query_system_time;

// Returns the time now in 100 ns units.
static ULONGLONG Now(void) {
  LARGE_INTEGER now;
  query_system_time(&now);
  return (ULONGLONG)now.QuadPart;
}

BoardState board;

// Takes every request off a list into `out` (a local list), to complete outside the lock.
static void MoveAll(LIST_ENTRY* from, LIST_ENTRY* out) {
  while (!IsListEmpty(from)) InsertTailList(out, RemoveHeadList(from));
}

// Completes every request on a local list with a status.
static void CompleteAll(LIST_ENTRY* list, NTSTATUS status) {
  while (!IsListEmpty(list)) {
    IRP* irp = CONTAINING_RECORD(RemoveHeadList(list), IRP, Tail.Overlay.ListEntry);
    CompleteWith(irp, status, 0);
  }
}

// Takes a held write off the list into `out`, under the lock.
static void TakeHeld(IRP* irp, LIST_ENTRY* out) {
  RemoveEntryList(&irp->Tail.Overlay.ListEntry);
  InsertTailList(out, &irp->Tail.Overlay.ListEntry);
  board.counters.held_now--;
}

// Ends the reads and held writes of a board that goes: reads as deleted, writes as not
// connected. hidclass's removal waits for its read to end.
static void EndPending(void) {
  LIST_ENTRY reads, writes;
  InitializeListHead(&reads);
  InitializeListHead(&writes);
  KIRQL irql;
  KeAcquireSpinLock(&board.lock, &irql);
  MoveAll(&board.reads, &reads);
  while (!IsListEmpty(&board.held)) {
    TakeHeld(CONTAINING_RECORD(board.held.Flink, IRP, Tail.Overlay.ListEntry), &writes);
  }
  board.counters.waiting_reads = 0;
  KeReleaseSpinLock(&board.lock, irql);
  CompleteAll(&reads, STATUS_DELETE_PENDING);
  CompleteAll(&writes, STATUS_DEVICE_NOT_CONNECTED);
}

// A read from hidclass: answered at once from the queue, or left pending for the next report.
NTSTATUS ReadInput(IRP* irp, BoardExtension* ext) {
  const BoardFraming framing = FramingOf(&ext->identity);
  UCHAR report[BOARD_INPUT_BYTES];
  BOOLEAN have = FALSE;
  KIRQL irql;
  KeAcquireSpinLock(&board.lock, &irql);
  if (ext->gone) {
    KeReleaseSpinLock(&board.lock, irql);
    return CompleteWith(irp, STATUS_DELETE_PENDING, 0);
  }
  if (ext->child != 0) {  // one more child: its reads wait until it goes
    IoMarkIrpPending(irp);
    InsertTailList(&board.children[ext->child - 1].reads, &irp->Tail.Overlay.ListEntry);
  } else if (board.input_count > 0) {
    RtlCopyMemory(report, board.inputs[board.first_input], BOARD_INPUT_BYTES);
    board.first_input = (board.first_input + 1) % MAX_INPUTS;
    board.input_count--;
    have = TRUE;
  } else {
    IoMarkIrpPending(irp);
    InsertTailList(&board.reads, &irp->Tail.Overlay.ListEntry);
    board.counters.waiting_reads++;
  }
  KeReleaseSpinLock(&board.lock, irql);
  if (!have) return STATUS_PENDING;
  return CompleteWith(irp, STATUS_SUCCESS, FillRead(irp, report, &framing));
}

// The byte count a completed write reports: the whole output report with its ID byte, which
// is what WriteFile then returns, as with a USB board. NOTE: Wine's hidclass passes a report
// without its ID byte when the device uses no report IDs; when it uses them, the whole report,
// and WriteFile then returns one byte less than the count reported here (seen on Wine 8).
static ULONG WrittenBytes(const BoardFraming* framing) {
  return framing->output + 1 + (framing->id != 0);
}

// A write from hidclass: refused as asked, else kept, and completed now or held pending; in
// echo mode a kept report's payload bytes 1 to 4 come back as an input report.
NTSTATUS WriteOutput(IRP* irp, const HID_XFER_PACKET* packet, BoardExtension* ext) {
  const BoardFraming framing = FramingOf(&ext->identity);
  NTSTATUS status = STATUS_SUCCESS;
  BOOLEAN held = FALSE, echo = FALSE;
  UCHAR echoed[BOARD_INPUT_BYTES];
  KIRQL irql;
  KeAcquireSpinLock(&board.lock, &irql);
  board.counters.writes += ext->child == 0;
  if (ext->child != 0) {  // one more child: counted, kept nowhere
    if (ext->gone) status = STATUS_DEVICE_NOT_CONNECTED;
    board.counters.child_writes[ext->child - 1] += !ext->gone;
  } else if (ext->gone) {
    status = STATUS_DEVICE_NOT_CONNECTED;
  } else if (board.refuse_count > 0) {
    board.refuse_count--;
    board.counters.refused++;
    status = board.refuse_status;
  } else {
    if (board.output_count < MAX_OUTPUTS) {
      BoardOutput* out = &board.outputs[board.output_count++];
      ULONG n =
          packet->reportBufferLen < BOARD_KEPT_BYTES ? packet->reportBufferLen : BOARD_KEPT_BYTES;
      RtlZeroMemory(out, sizeof *out);
      out->length = packet->reportBufferLen;
      out->report_id = packet->reportId;
      if (packet->reportBuffer != NULL) RtlCopyMemory(out->bytes, packet->reportBuffer, n);
    }
    // The payload starts after the ID byte when the packet carries one.
    const ULONG skip = framing.id != 0 ? 1 : 0;
    if (board.echo && packet->reportBuffer != NULL &&
        packet->reportBufferLen >= skip + BOARD_INPUT_BYTES) {
      RtlCopyMemory(echoed, packet->reportBuffer + skip, BOARD_INPUT_BYTES);
      echo = TRUE;
    }
    if (board.hold_ms > 0) {
      irp->Tail.Overlay.DriverContext[0] =
          (PVOID)(ULONG_PTR)(Now() + (ULONGLONG)board.hold_ms * 10000);
      irp->IoStatus.Information = WrittenBytes(&framing);
      IoMarkIrpPending(irp);
      InsertTailList(&board.held, &irp->Tail.Overlay.ListEntry);
      board.counters.held_now++;
      held = TRUE;
    }
  }
  KeReleaseSpinLock(&board.lock, irql);
  if (echo) SendInput(echoed);
  if (held) {
    KeSetEvent(&board.wake, IO_NO_INCREMENT, FALSE);
    return STATUS_PENDING;
  }
  return CompleteWith(irp, status, NT_SUCCESS(status) ? WrittenBytes(&framing) : 0);
}

// Marks a board device as going and ends its reads and held writes.
void EndBoard(BoardExtension* ext) {
  LIST_ENTRY reads;
  InitializeListHead(&reads);
  KIRQL irql;
  KeAcquireSpinLock(&board.lock, &irql);
  ext->gone = TRUE;
  if (ext->child != 0) MoveAll(&board.children[ext->child - 1].reads, &reads);
  KeReleaseSpinLock(&board.lock, irql);
  if (ext->child == 0) EndPending();
  CompleteAll(&reads, STATUS_DELETE_PENDING);
}

// Keeps `next` the earliest of the times given (0: none yet).
static void Earliest(ULONGLONG* next, ULONGLONG time) {
  if (*next == 0 || time < *next) *next = time;
}

// The board's thread: completes each held write once its time is up, as a slow board would.
// NOTE: it never plugs or unplugs: Wine's plug and play runs in the thread that changes the
// bus relations, and two such threads at once crash Wine's hidclass, so only the control
// device's requests change them.
static void WINAPI RunBoard(void* context) {
  (void)context;
  for (;;) {
    LIST_ENTRY due;
    InitializeListHead(&due);
    ULONGLONG now = Now(), next = 0;
    KIRQL irql;
    KeAcquireSpinLock(&board.lock, &irql);
    for (LIST_ENTRY* e = board.held.Flink; e != &board.held;) {
      IRP* irp = CONTAINING_RECORD(e, IRP, Tail.Overlay.ListEntry);
      ULONGLONG end = (ULONGLONG)(ULONG_PTR)irp->Tail.Overlay.DriverContext[0];
      e = e->Flink;
      if (end <= now) {
        TakeHeld(irp, &due);
      } else {
        Earliest(&next, end);
      }
    }
    KeReleaseSpinLock(&board.lock, irql);
    while (!IsListEmpty(&due)) {
      IRP* irp = CONTAINING_RECORD(RemoveHeadList(&due), IRP, Tail.Overlay.ListEntry);
      CompleteWith(irp, STATUS_SUCCESS, irp->IoStatus.Information);
    }
    now = Now();
    LARGE_INTEGER timeout;
    timeout.QuadPart = next > now ? -(LONGLONG)(next - now) : 0;
    KeWaitForSingleObject(&board.wake, Executive, KernelMode, FALSE, next == 0 ? NULL : &timeout);
  }
}

// Sets up the board's state and its thread; unplugged, with no bus yet.
NTSTATUS InitBoard(DRIVER_OBJECT* driver) {
  KeInitializeSpinLock(&board.lock);
  board.driver = driver;
  board.port = 1;
  board.identity = console_identity;
  InitializeListHead(&board.reads);
  InitializeListHead(&board.held);
  for (ULONG i = 0; i < BOARD_MAX_CHILDREN; ++i) InitializeListHead(&board.children[i].reads);
  KeInitializeEvent(&board.wake, SynchronizationEvent, FALSE);
  UNICODE_STRING name;
  RtlInitUnicodeString(&name, L"KeQuerySystemTime");
  query_system_time = (SystemTimeFn)MmGetSystemRoutineAddress(&name);
  if (query_system_time == NULL) return STATUS_PROCEDURE_NOT_FOUND;
  HANDLE thread = NULL;
  NTSTATUS status =
      PsCreateSystemThread(&thread, THREAD_ALL_ACCESS, NULL, NULL, NULL, RunBoard, NULL);
  if (NT_SUCCESS(status)) ZwClose(thread);
  return status;
}

// Remembers the root-enumerated device whose bus relations carry the board, and plugs it.
void SetBoardBus(DEVICE_OBJECT* physical) {
  board.bus = physical;
  PlugBoard();
}

// Returns a referenced relations list with the board device while plugged (else empty).
DEVICE_RELATIONS* BoardRelations(void) {
  DEVICE_RELATIONS* relations = ExAllocatePool(
      PagedPool, sizeof(DEVICE_RELATIONS) + BOARD_MAX_CHILDREN * sizeof(DEVICE_OBJECT*));
  if (relations == NULL) return NULL;
  KIRQL irql;
  KeAcquireSpinLock(&board.lock, &irql);
  relations->Count = 0;
  for (ULONG i = 0; i <= BOARD_MAX_CHILDREN; ++i) {
    DEVICE_OBJECT* child = i == 0 ? board.child : board.children[i - 1].device;
    if (child == NULL) continue;
    ObReferenceObject(child);
    relations->Objects[relations->Count++] = child;
  }
  KeReleaseSpinLock(&board.lock, irql);
  return relations;
}

// Names a new board device "\Device\QuillBoardN" in `buffer` (room for 40 characters).
static void NameBoardDevice(WCHAR* buffer, ULONG number) {
  static const WCHAR stem[] = L"\\Device\\QuillBoard";
  ULONG n = 0;
  for (; stem[n] != 0; ++n) buffer[n] = stem[n];
  WCHAR digits[12];
  ULONG d = 0;
  do {
    digits[d++] = (WCHAR)(L'0' + number % 10);
    number /= 10;
  } while (number != 0);
  while (d > 0) buffer[n++] = digits[--d];
  buffer[n] = 0;
}

// Makes a device for the board (number 0) or one more child, answering as `identity`;
// returns the status.
static NTSTATUS MakeChild(ULONG number, const BoardChild* identity, DEVICE_OBJECT** child) {
  WCHAR buffer[40];
  UNICODE_STRING name;
  NameBoardDevice(buffer, ++board.next_name);
  RtlInitUnicodeString(&name, buffer);
  NTSTATUS status = IoCreateDevice(board.driver, sizeof(BoardExtension), &name, FILE_DEVICE_UNKNOWN,
                                   0, FALSE, child);
  if (!NT_SUCCESS(status)) return status;
  BoardExtension* ext = (*child)->DeviceExtension;
  ext->tag.kind = BOARD_DEVICE;
  ext->child = number;
  ext->port = board.port;
  ext->identity = *identity;
  (*child)->Flags &= ~DO_DEVICE_INITIALIZING;
  return STATUS_SUCCESS;
}

// Puts one more child on the bus; *number gets its number. Returns the status.
NTSTATUS PlugChild(const BoardChild* identity, ULONG* number) {
  ULONG i = 0;
  while (i < BOARD_MAX_CHILDREN && board.children[i].device != NULL) ++i;
  if (i == BOARD_MAX_CHILDREN || board.bus == NULL) return STATUS_INSUFFICIENT_RESOURCES;
  DEVICE_OBJECT* child = NULL;
  NTSTATUS status = MakeChild(i + 1, identity, &child);
  if (!NT_SUCCESS(status)) return status;
  KIRQL irql;
  KeAcquireSpinLock(&board.lock, &irql);
  board.children[i].device = child;
  KeReleaseSpinLock(&board.lock, irql);
  *number = i + 1;
  IoInvalidateDeviceRelations(board.bus, BusRelations);
  return STATUS_SUCCESS;
}

// Takes every child but the board off the bus; each is deleted when its removal comes.
void UnplugChildren(void) {
  LIST_ENTRY reads;
  InitializeListHead(&reads);
  BOOLEAN any = FALSE;
  KIRQL irql;
  KeAcquireSpinLock(&board.lock, &irql);
  for (ULONG i = 0; i < BOARD_MAX_CHILDREN; ++i) {
    if (board.children[i].device == NULL) continue;
    BoardExtension* ext = board.children[i].device->DeviceExtension;
    ext->gone = ext->unplugged = TRUE;
    board.children[i].device = NULL;
    MoveAll(&board.children[i].reads, &reads);
    any = TRUE;
  }
  KeReleaseSpinLock(&board.lock, irql);
  CompleteAll(&reads, STATUS_DELETE_PENDING);
  if (any) IoInvalidateDeviceRelations(board.bus, BusRelations);
}

// Puts a new board device on the bus (nothing when one is there); returns the status.
NTSTATUS PlugBoard(void) {
  if (board.child != NULL || board.bus == NULL) return STATUS_SUCCESS;
  KIRQL irql;
  KeAcquireSpinLock(&board.lock, &irql);
  const BoardChild identity = board.identity;
  KeReleaseSpinLock(&board.lock, irql);
  DEVICE_OBJECT* child = NULL;
  NTSTATUS status = MakeChild(0, &identity, &child);
  if (!NT_SUCCESS(status)) return status;
  KeAcquireSpinLock(&board.lock, &irql);
  board.child = child;
  board.counters.plugged = 1;
  KeReleaseSpinLock(&board.lock, irql);
  IoInvalidateDeviceRelations(board.bus, BusRelations);
  return STATUS_SUCCESS;
}

// Takes the board device off the bus (nothing when there is none): its pending requests end
// first, and later requests to it are refused; it is deleted when its removal comes.
void UnplugBoard(void) {
  KIRQL irql;
  KeAcquireSpinLock(&board.lock, &irql);
  DEVICE_OBJECT* child = board.child;
  board.child = NULL;
  board.counters.plugged = 0;
  if (child != NULL) {
    BoardExtension* ext = child->DeviceExtension;
    ext->gone = TRUE;
    ext->unplugged = TRUE;
  }
  KeReleaseSpinLock(&board.lock, irql);
  if (child == NULL) return;
  EndPending();
  IoInvalidateDeviceRelations(board.bus, BusRelations);
}
