// What a HID minidriver and the device under it need from the HID class driver, declared from
// the WDK's documentation of hidport.h: mingw-w64 ships no hidport.h, and its ddk/hidclass.h
// numbers the minidriver requests 0 to 5, which is not what hidclass sends.
#pragma once

#include <ddk/wdm.h>

#define HID_REVISION 0x00000001

// The minidriver requests: CTL_CODE(FILE_DEVICE_KEYBOARD, n, METHOD_NEITHER, FILE_ANY_ACCESS).
#define HID_MINI_CTL(n) CTL_CODE(FILE_DEVICE_KEYBOARD, (n), METHOD_NEITHER, FILE_ANY_ACCESS)
#define IOCTL_HID_GET_DEVICE_DESCRIPTOR HID_MINI_CTL(0)
#define IOCTL_HID_GET_REPORT_DESCRIPTOR HID_MINI_CTL(1)
#define IOCTL_HID_READ_REPORT HID_MINI_CTL(2)
#define IOCTL_HID_WRITE_REPORT HID_MINI_CTL(3)
#define IOCTL_HID_GET_STRING HID_MINI_CTL(4)
#define IOCTL_HID_ACTIVATE_DEVICE HID_MINI_CTL(7)
#define IOCTL_HID_DEACTIVATE_DEVICE HID_MINI_CTL(8)
#define IOCTL_HID_GET_DEVICE_ATTRIBUTES HID_MINI_CTL(9)
#define IOCTL_HID_SEND_IDLE_NOTIFICATION_REQUEST HID_MINI_CTL(10)

#define HID_HID_DESCRIPTOR_TYPE 0x21
#define HID_REPORT_DESCRIPTOR_TYPE 0x22

// IOCTL_HID_GET_STRING's string numbers (the low word of Type3InputBuffer).
#define HID_STRING_ID_IMANUFACTURER 14
#define HID_STRING_ID_IPRODUCT 15
#define HID_STRING_ID_ISERIALNUMBER 16

typedef struct _HID_MINIDRIVER_REGISTRATION {
  ULONG Revision;
  PDRIVER_OBJECT DriverObject;
  PUNICODE_STRING RegistryPath;
  ULONG DeviceExtensionSize;
  BOOLEAN DevicesArePolled;
  UCHAR Reserved[3];
} HID_MINIDRIVER_REGISTRATION, *PHID_MINIDRIVER_REGISTRATION;

// hidclass's extension of the minidriver's device object.
typedef struct _HID_DEVICE_EXTENSION {
  PDEVICE_OBJECT PhysicalDeviceObject;
  PDEVICE_OBJECT NextDeviceObject;
  PVOID MiniDeviceExtension;
} HID_DEVICE_EXTENSION, *PHID_DEVICE_EXTENSION;

#pragma pack(push, 1)
typedef struct _HID_DESCRIPTOR {
  UCHAR bLength;
  UCHAR bDescriptorType;
  USHORT bcdHID;
  UCHAR bCountry;
  UCHAR bNumDescriptors;
  struct _HID_DESCRIPTOR_DESC_LIST {
    UCHAR bReportType;
    USHORT wReportLength;
  } DescriptorList[1];
} HID_DESCRIPTOR, *PHID_DESCRIPTOR;
#pragma pack(pop)

typedef struct _HID_DEVICE_ATTRIBUTES {
  ULONG Size;
  USHORT VendorID;
  USHORT ProductID;
  USHORT VersionNumber;
  USHORT Reserved[11];
} HID_DEVICE_ATTRIBUTES, *PHID_DEVICE_ATTRIBUTES;

typedef struct _HID_XFER_PACKET {
  PUCHAR reportBuffer;
  ULONG reportBufferLen;
  UCHAR reportId;
} HID_XFER_PACKET, *PHID_XFER_PACKET;

NTSTATUS NTAPI HidRegisterMinidriver(PHID_MINIDRIVER_REGISTRATION registration);
