// quillboard.sys: the board's HID minidriver. It registers with hidclass and hands every request
// down to the board device that the bus driver made (quillbus.sys), which answers it: the
// minidriver holds no state of its own. hidclass answers opens, closes and user reads itself
// (each handle has its own queue, fed by hidclass's read requests to the board).
#include "hidport.h"

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

// A new board under hidclass: nothing to set up beyond clearing the initializing flag.
static NTSTATUS WINAPI BoardAddDevice(DRIVER_OBJECT* driver, DEVICE_OBJECT* device) {
  (void)driver;
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
  return HidRegisterMinidriver(&registration);
}
