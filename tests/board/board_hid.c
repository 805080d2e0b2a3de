// quillboard.sys: the board's HID minidriver. It registers with hidclass and hands every request
// down to the board device that the bus driver made (quillbus.sys), which answers it: the
// minidriver holds no state of its own but the bus's counter of opens. hidclass answers opens,
// closes and user reads itself (each handle has its own queue, fed by hidclass's read requests
// to the board).
#include "board_control.h"
#include "hidport.h"

// NOTE: hidclass makes each HID interface's device with this driver's object and answers its
// opens itself: HidRegisterMinidriver puts hidclass's own IRP_MJ_CREATE in this driver's table,
// and nothing of an open reaches the board below. So the table's entry is wrapped after the
// registration, and every open of an interface, whatever its access, is counted on its way to
// hidclass's.
static PDRIVER_DISPATCH hid_create;
static BoardCountOpen count_open;

// An open of one of the board's HID interfaces: counted, then answered by hidclass.
static NTSTATUS WINAPI CountedCreate(DEVICE_OBJECT* device, IRP* irp) {
  if (count_open != NULL) count_open();
  return hid_create(device, irp);
}

// Asks the board device below for the bus's counter of opens (the same for every board device).
static void AskCountOpen(DEVICE_OBJECT* below) {
  KEVENT event;
  IO_STATUS_BLOCK io;
  BoardCountOpen counter = NULL;
  KeInitializeEvent(&event, NotificationEvent, FALSE);
  IRP* irp = IoBuildDeviceIoControlRequest(IOCTL_BOARD_COUNT_OPEN, below, NULL, 0, &counter,
                                           sizeof counter, TRUE, &event, &io);
  if (irp == NULL) return;
  if (IoCallDriver(below, irp) == STATUS_PENDING) {
    KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, NULL);
  }
  if (NT_SUCCESS(io.Status)) count_open = counter;
}

// Passes a request to the board device below, unchanged.
static NTSTATUS PassDown(DEVICE_OBJECT* device, IRP* irp) {
  HID_DEVICE_EXTENSION* ext = device->DeviceExtension;
  IoSkipCurrentIrpStackLocation(irp);
  return IoCallDriver(ext->NextDeviceObject, irp);
}

// Plug and play: the board device below answers; hidclass deletes this device on removal.
static NTSTATUS WINAPI BoardPnp(DEVICE_OBJECT* device, IRP* irp) {
  return PassDown(device, irp);
}

// Power: the board device below answers.
static NTSTATUS WINAPI BoardPower(DEVICE_OBJECT* device, IRP* irp) {
  HID_DEVICE_EXTENSION* ext = device->DeviceExtension;
  PoStartNextPowerIrp(irp);
  IoSkipCurrentIrpStackLocation(irp);
  return PoCallDriver(ext->NextDeviceObject, irp);
}

// hidclass's requests (descriptors, attributes, strings, reads, writes): the board answers.
static NTSTATUS WINAPI BoardInternalIoctl(DEVICE_OBJECT* device, IRP* irp) {
  return PassDown(device, irp);
}

// A new board under hidclass: asks the board below for the counter of opens, and clears the
// initializing flag.
static NTSTATUS WINAPI BoardAddDevice(DRIVER_OBJECT* driver, DEVICE_OBJECT* device) {
  (void)driver;
  AskCountOpen(((HID_DEVICE_EXTENSION*)device->DeviceExtension)->NextDeviceObject);
  device->Flags &= ~DO_DEVICE_INITIALIZING;
  return STATUS_SUCCESS;
}

// Nothing to release: the driver keeps no state.
static void WINAPI BoardUnload(DRIVER_OBJECT* driver) {
  (void)driver;
}

// Fills the dispatch table and registers with hidclass as a minidriver of unpolled devices.
NTSTATUS WINAPI DriverEntry(DRIVER_OBJECT* driver, UNICODE_STRING* registry) {
  HID_MINIDRIVER_REGISTRATION registration;
  RtlZeroMemory(&registration, sizeof registration);
  registration.Revision = HID_REVISION;
  registration.DriverObject = driver;
  registration.RegistryPath = registry;
  registration.DeviceExtensionSize = sizeof(ULONG_PTR);
  registration.DevicesArePolled = FALSE;

  driver->DriverExtension->AddDevice = BoardAddDevice;
  driver->DriverUnload = BoardUnload;
  driver->MajorFunction[IRP_MJ_PNP] = BoardPnp;
  driver->MajorFunction[IRP_MJ_POWER] = BoardPower;
  driver->MajorFunction[IRP_MJ_INTERNAL_DEVICE_CONTROL] = BoardInternalIoctl;
  const NTSTATUS status = HidRegisterMinidriver(&registration);
  if (!NT_SUCCESS(status)) return status;
  hid_create = driver->MajorFunction[IRP_MJ_CREATE];
  driver->MajorFunction[IRP_MJ_CREATE] = CountedCreate;
  return STATUS_SUCCESS;
}
