// quillbus.sys: a root-enumerated bus whose one child is the board (board_device.c), plugged
// and unplugged on request through a control device, \\.\QuillBoard (board_control.h). Its
// child is driven by quillboard.sys under hidclass; both services share one load order group,
// so Wine runs them in one process and the control device reaches the board's state.
#include "board_state.h"

#include "board_control.h"

static DEVICE_OBJECT* control_device;

// Completes a request with a status and a byte count; returns the status.
NTSTATUS CompleteWith(IRP* irp, NTSTATUS status, ULONG_PTR information) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = information;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

// The bus device's plug and play requests: it reports the board as its child, and passes
// every request on to the root-enumerated device below.
static NTSTATUS BusPnp(DEVICE_OBJECT* device, IRP* irp) {
  BusExtension* bus = device->DeviceExtension;
  IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
  DEVICE_OBJECT* lower = bus->lower;
  NTSTATUS status;
  switch (stack->MinorFunction) {
    case IRP_MN_START_DEVICE:
    case IRP_MN_QUERY_REMOVE_DEVICE:
    case IRP_MN_CANCEL_REMOVE_DEVICE:
    case IRP_MN_SURPRISE_REMOVAL:
    case IRP_MN_STOP_DEVICE:
      irp->IoStatus.Status = STATUS_SUCCESS;
      break;
    case IRP_MN_QUERY_DEVICE_RELATIONS:
      if (stack->Parameters.QueryDeviceRelations.Type == BusRelations) {
        DEVICE_RELATIONS* relations = BoardRelations();
        if (relations == NULL) return CompleteWith(irp, STATUS_NO_MEMORY, 0);
        irp->IoStatus.Information = (ULONG_PTR)relations;
        irp->IoStatus.Status = STATUS_SUCCESS;
      }
      break;
    case IRP_MN_REMOVE_DEVICE:
      // The bus goes: the request goes down first, then this device leaves the stack.
      IoSkipCurrentIrpStackLocation(irp);
      status = IoCallDriver(lower, irp);
      IoDetachDevice(lower);
      IoDeleteDevice(device);
      return status;
    default:
      break;
  }
  IoSkipCurrentIrpStackLocation(irp);
  return IoCallDriver(lower, irp);
}

// Plug and play, by device: the bus passes down, the board answers as a bus's child does.
static NTSTATUS WINAPI DispatchPnp(DEVICE_OBJECT* device, IRP* irp) {
  switch (KindOf(device)) {
    case BUS_DEVICE:
      return BusPnp(device, irp);
    case BOARD_DEVICE:
      return BoardPnp(device, irp);
    default:
      return CompleteWith(irp, STATUS_NOT_SUPPORTED, 0);
  }
}

// Power: the bus passes it down; the board and the control device accept it.
static NTSTATUS WINAPI DispatchPower(DEVICE_OBJECT* device, IRP* irp) {
  PoStartNextPowerIrp(irp);
  if (KindOf(device) == BUS_DEVICE) {
    IoSkipCurrentIrpStackLocation(irp);
    return PoCallDriver(((BusExtension*)device->DeviceExtension)->lower, irp);
  }
  return CompleteWith(irp, STATUS_SUCCESS, 0);
}

// Opens and closes: only the control device is opened from user mode; both succeed.
static NTSTATUS WINAPI DispatchCreateClose(DEVICE_OBJECT* device, IRP* irp) {
  (void)device;
  return CompleteWith(irp, STATUS_SUCCESS, 0);
}

// User-mode requests: the control device's IOCTL_BOARD_* only.
static NTSTATUS WINAPI DispatchIoctl(DEVICE_OBJECT* device, IRP* irp) {
  if (KindOf(device) != CONTROL_DEVICE) return CompleteWith(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
  return BoardControl(irp);
}

// Kernel-mode requests from the minidriver above the board: hidclass's HID requests.
static NTSTATUS WINAPI DispatchInternalIoctl(DEVICE_OBJECT* device, IRP* irp) {
  if (KindOf(device) != BOARD_DEVICE) return CompleteWith(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
  return BoardHidRequest(device, irp);
}

// A root-enumerated device for this driver: the bus device goes on it.
static NTSTATUS WINAPI AddBus(DRIVER_OBJECT* driver, DEVICE_OBJECT* physical) {
  DEVICE_OBJECT* device = NULL;
  NTSTATUS status = IoCreateDevice(driver, sizeof(BusExtension), NULL, FILE_DEVICE_BUS_EXTENDER, 0,
                                   FALSE, &device);
  if (!NT_SUCCESS(status)) return status;
  BusExtension* bus = device->DeviceExtension;
  bus->tag.kind = BUS_DEVICE;
  bus->physical = physical;
  bus->lower = IoAttachDeviceToDeviceStack(device, physical);
  SetBoardBus(physical);
  device->Flags &= ~DO_DEVICE_INITIALIZING;
  return STATUS_SUCCESS;
}

// Makes the control device and its user-mode name, sets up the board and the dispatch table.
NTSTATUS WINAPI DriverEntry(DRIVER_OBJECT* driver, UNICODE_STRING* registry) {
  (void)registry;
  UNICODE_STRING name, link;
  RtlInitUnicodeString(&name, BOARD_CONTROL_DEVICE);
  RtlInitUnicodeString(&link, BOARD_CONTROL_LINK);
  NTSTATUS status = IoCreateDevice(driver, sizeof(DeviceTag), &name, FILE_DEVICE_UNKNOWN, 0, FALSE,
                                   &control_device);
  if (!NT_SUCCESS(status)) return status;
  ((DeviceTag*)control_device->DeviceExtension)->kind = CONTROL_DEVICE;
  status = IoCreateSymbolicLink(&link, &name);
  if (NT_SUCCESS(status)) status = InitBoard(driver);
  if (!NT_SUCCESS(status)) {
    IoDeleteSymbolicLink(&link);
    IoDeleteDevice(control_device);
    return status;
  }
  control_device->Flags &= ~DO_DEVICE_INITIALIZING;

  driver->DriverExtension->AddDevice = AddBus;
  driver->MajorFunction[IRP_MJ_PNP] = DispatchPnp;
  driver->MajorFunction[IRP_MJ_POWER] = DispatchPower;
  driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreateClose;
  driver->MajorFunction[IRP_MJ_CLOSE] = DispatchCreateClose;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchIoctl;
  driver->MajorFunction[IRP_MJ_INTERNAL_DEVICE_CONTROL] = DispatchInternalIoctl;
  return STATUS_SUCCESS;
}
