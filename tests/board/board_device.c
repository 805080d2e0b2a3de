// The board device: the bus's child, as a USB board's device is to its hub. It answers plug
// and play as a bus's child does, and hidclass's HID requests (passed down by quillboard.sys)
// as the identity it was plugged with (board_framing.c): at first the console's, vendor
// 0xAAAA, product 0xEF22, version 0x0100, one vendor-defined collection with a 4-byte input
// and an 8-byte output report and no report IDs.
#include "board_control.h"
#include "board_state.h"

// The device's identity: its ID ends in VID_AAAA&PID_EF22, after which hidclass names its
// interface, as a USB board's is named; every child has that ID, so the INF binds each to
// quillboard.sys. The board's instance is its port's number, so each plug on one port is the
// same device again; one more child n is instance "0n", listed before it.
static const WCHAR device_id[] = L"QUILLBUS\\VID_AAAA&PID_EF22";
static const WCHAR child_instance_ids[BOARD_MAX_CHILDREN][3] = {L"01", L"02", L"03", L"04"};

// Returns a pool copy of a text with `extra` more zero characters after its own (for
// MULTI_SZ lists), or null.
static WCHAR* PoolText(const WCHAR* text, ULONG extra) {
  ULONG n = 0;
  while (text[n] != 0) ++n;
  WCHAR* copy = ExAllocatePool(PagedPool, (n + 1 + extra) * sizeof(WCHAR));
  if (copy == NULL) return NULL;
  RtlZeroMemory(copy, (n + 1 + extra) * sizeof(WCHAR));
  RtlCopyMemory(copy, text, n * sizeof(WCHAR));
  return copy;
}

// IRP_MN_QUERY_ID: the device ID, hardware IDs (that ID alone), instance ID, and no
// compatible IDs; other kinds are not supported.
static NTSTATUS QueryId(IRP* irp, BUS_QUERY_ID_TYPE type, const BoardExtension* ext) {
  WCHAR* id = NULL;
  WCHAR port[3] = {(WCHAR)(L'0' + ext->port / 10), (WCHAR)(L'0' + ext->port % 10), 0};
  switch (type) {
    case BusQueryDeviceID:
      id = PoolText(device_id, 0);
      break;
    case BusQueryHardwareIDs:
      id = PoolText(device_id, 1);
      break;
    case BusQueryInstanceID:
      id = PoolText(ext->child != 0  ? child_instance_ids[ext->child - 1]
                    : ext->port < 10 ? port + 1
                                     : port,
                    0);
      break;
    case BusQueryCompatibleIDs:
      id = PoolText(L"", 1);
      break;
    default:
      return irp->IoStatus.Status;
  }
  if (id == NULL) return STATUS_NO_MEMORY;
  irp->IoStatus.Information = (ULONG_PTR)id;
  return STATUS_SUCCESS;
}

// The board device's plug and play requests, as a bus's child answers them: the last word
// on each, so each is completed here.
NTSTATUS BoardPnp(DEVICE_OBJECT* device, IRP* irp) {
  IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
  BoardExtension* ext = device->DeviceExtension;
  NTSTATUS status = irp->IoStatus.Status;
  switch (stack->MinorFunction) {
    case IRP_MN_START_DEVICE:
    case IRP_MN_QUERY_REMOVE_DEVICE:
    case IRP_MN_CANCEL_REMOVE_DEVICE:
    case IRP_MN_STOP_DEVICE:
      status = STATUS_SUCCESS;
      break;
    case IRP_MN_SURPRISE_REMOVAL:
      // Gone without warning: its pending requests end now.
      EndBoard(ext);
      status = STATUS_SUCCESS;
      break;
    case IRP_MN_REMOVE_DEVICE:
      // Removed: its pending requests end, and a device no longer on the bus is deleted.
      EndBoard(ext);
      irp->IoStatus.Status = STATUS_SUCCESS;
      IoCompleteRequest(irp, IO_NO_INCREMENT);
      if (ext->unplugged) IoDeleteDevice(device);
      return STATUS_SUCCESS;
    case IRP_MN_QUERY_CAPABILITIES: {
      DEVICE_CAPABILITIES* caps = stack->Parameters.DeviceCapabilities.Capabilities;
      caps->Removable = 1;
      caps->SurpriseRemovalOK = 1;
      caps->SilentInstall = 1;
      status = STATUS_SUCCESS;
      break;
    }
    case IRP_MN_QUERY_ID:
      status = QueryId(irp, stack->Parameters.QueryId.IdType, ext);
      break;
    case IRP_MN_QUERY_DEVICE_RELATIONS:
      if (stack->Parameters.QueryDeviceRelations.Type == TargetDeviceRelation) {
        DEVICE_RELATIONS* relations = ExAllocatePool(PagedPool, sizeof(DEVICE_RELATIONS));
        if (relations == NULL) {
          status = STATUS_NO_MEMORY;
          break;
        }
        ObReferenceObject(device);
        relations->Count = 1;
        relations->Objects[0] = device;
        irp->IoStatus.Information = (ULONG_PTR)relations;
        status = STATUS_SUCCESS;
      }
      break;
    default:
      break;
  }
  irp->IoStatus.Status = status;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

// Copies `size` bytes into a METHOD_NEITHER request's output buffer; returns the status.
static NTSTATUS Answer(IRP* irp, const void* data, ULONG size) {
  IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
  if (stack->Parameters.DeviceIoControl.OutputBufferLength < size) {
    return CompleteWith(irp, STATUS_BUFFER_TOO_SMALL, 0);
  }
  RtlCopyMemory(irp->UserBuffer, data, size);
  return CompleteWith(irp, STATUS_SUCCESS, size);
}

// IOCTL_HID_GET_STRING: manufacturer, product and serial number. NOTE: Wine's hidclass asks
// for strings 1, 2 and 3 rather than the HID_STRING_ID_* numbers; both are answered.
static NTSTATUS AnswerString(IRP* irp) {
  IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
  ULONG index = (ULONG)(ULONG_PTR)stack->Parameters.DeviceIoControl.Type3InputBuffer & 0xFFFF;
  const WCHAR* text;
  if (index == 1 || index == HID_STRING_ID_IMANUFACTURER) {
    text = L"Quill test boards";
  } else if (index == 2 || index == HID_STRING_ID_IPRODUCT) {
    text = L"QUILLOMATIC board";
  } else if (index == 3 || index == HID_STRING_ID_ISERIALNUMBER) {
    text = L"0001";
  } else {
    return CompleteWith(irp, STATUS_INVALID_PARAMETER, 0);
  }
  ULONG n = 0;
  while (text[n] != 0) ++n;
  return Answer(irp, text, (n + 1) * sizeof(WCHAR));
}

// Counts one open of a HID interface of the board (quillboard.sys calls it).
static void CountOpen(void) {
  KIRQL irql;
  KeAcquireSpinLock(&board.lock, &irql);
  board.counters.opens++;
  KeReleaseSpinLock(&board.lock, irql);
}

// hidclass's requests to the board. Descriptors and attributes are answered from its identity,
// strings from constants; a read waits for the next input report; a write is kept, refused or
// held as the control device asked. A board that has gone refuses writes as not connected
// (Wine's hidclass still passes them on) and reads as deleted. quillboard.sys asks for the
// counter of opens.
NTSTATUS BoardHidRequest(DEVICE_OBJECT* device, IRP* irp) {
  IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
  BoardExtension* ext = device->DeviceExtension;
  const BoardChild* identity = &ext->identity;
  UCHAR descriptor[BOARD_DESCRIPTOR_ROOM];
  const BoardCountOpen count_open = CountOpen;
  switch (stack->Parameters.DeviceIoControl.IoControlCode) {
    case IOCTL_HID_GET_DEVICE_DESCRIPTOR: {
      HID_DESCRIPTOR desc;
      RtlZeroMemory(&desc, sizeof desc);
      desc.bLength = sizeof desc;
      desc.bDescriptorType = HID_HID_DESCRIPTOR_TYPE;
      desc.bcdHID = 0x0111;
      desc.bNumDescriptors = 1;
      desc.DescriptorList[0].bReportType = HID_REPORT_DESCRIPTOR_TYPE;
      desc.DescriptorList[0].wReportLength = (USHORT)DescriptorOf(identity, descriptor);
      return Answer(irp, &desc, sizeof desc);
    }
    case IOCTL_HID_GET_REPORT_DESCRIPTOR:
      return Answer(irp, descriptor, DescriptorOf(identity, descriptor));
    case IOCTL_HID_GET_DEVICE_ATTRIBUTES: {
      HID_DEVICE_ATTRIBUTES attributes;
      RtlZeroMemory(&attributes, sizeof attributes);
      attributes.Size = sizeof attributes;
      attributes.VendorID = identity->vendor;
      attributes.ProductID = identity->product;
      attributes.VersionNumber = identity->version;
      return Answer(irp, &attributes, sizeof attributes);
    }
    case IOCTL_HID_GET_STRING:
      return AnswerString(irp);
    case IOCTL_HID_READ_REPORT:
      return ReadInput(irp, ext);
    case IOCTL_HID_WRITE_REPORT: {
      const HID_XFER_PACKET* packet = irp->UserBuffer;
      if (packet == NULL) return CompleteWith(irp, STATUS_INVALID_PARAMETER, 0);
      return WriteOutput(irp, packet, ext);
    }
    case IOCTL_BOARD_COUNT_OPEN:
      return Answer(irp, &count_open, sizeof count_open);
    case IOCTL_HID_ACTIVATE_DEVICE:
    case IOCTL_HID_DEACTIVATE_DEVICE:
      return CompleteWith(irp, STATUS_SUCCESS, 0);
    default:
      return CompleteWith(irp, STATUS_NOT_SUPPORTED, 0);
  }
}
