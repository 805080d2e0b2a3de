// Interface names: the device's USB and Bluetooth paths, and names read out of notice records.
#include <gtest/gtest.h>

#include <string>

#include "hid/hid.h"

namespace {

// Returns whether a name could be the program's device (product 0xEF22, vendor 0xAAAA).
bool CouldBeQuill(const std::string& name) {
  return NameCouldBeHidDevice(name, 0xEF22, 0xAAAA);
}

TEST(DeviceName, UsbAndBluetoothPathsOfTheDeviceInAnyCase) {
  EXPECT_TRUE(CouldBeQuill("\\\\?\\hid#vid_aaaa&pid_ef22&mi_00#7&1&0&0000#{x}"));
  EXPECT_TRUE(CouldBeQuill("\\\\?\\HID#VID_AAAA&PID_EF22#7&1&0&0000#{x}"));
  EXPECT_TRUE(CouldBeQuill(
      "\\\\?\\HID#{00001124-0000-1000-8000-00805f9b34fb}_VID&0002AAAA_PID&EF22#9&1&0&0000#{x}"));
  EXPECT_FALSE(CouldBeQuill("\\\\?\\hid#vid_aaaa&pid_ef23#7&1&0&0000#{x}"));
  EXPECT_FALSE(CouldBeQuill("\\\\?\\hid#vid_aaab&pid_ef22#7&1&0&0000#{x}"));
  EXPECT_FALSE(
      CouldBeQuill("\\\\?\\HID#{00001124-0000-1000-8000-00805f9b34fb}_VID&0001AAAA_PID&EF22#9"));
  EXPECT_FALSE(CouldBeQuill(""));
}

TEST(DeviceName, PathsAreTheSameInAnyCaseOnly) {
  EXPECT_TRUE(
      SameInterfacePath("\\\\?\\hid#vid_aaaa&pid_ef22#7&1", "\\\\?\\HID#VID_AAAA&PID_EF22#7&1"));
  EXPECT_FALSE(
      SameInterfacePath("\\\\?\\hid#vid_aaaa&pid_ef22#7&1", "\\\\?\\hid#vid_aaaa&pid_ef22#7&2"));
}

// Wine hands even an ANSI window the wide record: its name is read from UTF-16.
TEST(NoticeName, TheWideRecordsNameIsRead) {
  const char16_t wide[] = u"\\\\?\\HID#VID_AAAA&PID_EF22#7&1\u00e9";
  const std::string field(reinterpret_cast<const char*>(wide), sizeof(wide));
  std::string name;
  EXPECT_TRUE(ReadNoticeName(field.data(), field.size(), &name));
  EXPECT_EQ(name, "\\\\?\\HID#VID_AAAA&PID_EF22#7&1?");
}

TEST(NoticeName, TheAnsiRecordsNameIsRead) {
  const std::string field("\\\\?\\HID#VID_AAAA&PID_EF22#7&1\0garbage", 37);
  std::string name;
  EXPECT_TRUE(ReadNoticeName(field.data(), field.size(), &name));
  EXPECT_EQ(name, "\\\\?\\HID#VID_AAAA&PID_EF22#7&1");
}

// A field that is empty, or whose name does not end inside it, holds no name.
TEST(NoticeName, AnEmptyOrUnterminatedFieldHoldsNone) {
  std::string name = "left over";
  EXPECT_FALSE(ReadNoticeName(nullptr, 0, &name));
  EXPECT_EQ(name, "");
  const std::string empty(1, '\0');
  EXPECT_FALSE(ReadNoticeName(empty.data(), empty.size(), &name));
  const std::string ansi = "\\\\?\\HID#VID_AAAA&PID_EF22";
  EXPECT_FALSE(ReadNoticeName(ansi.data(), ansi.size(), &name));
  const char16_t wide[] = u"\\\\?\\HID#VID_AAAA&PID_EF22";
  const std::string unterminated(reinterpret_cast<const char*>(wide), sizeof(wide) - 2);
  EXPECT_FALSE(ReadNoticeName(unterminated.data(), unterminated.size(), &name));
  EXPECT_EQ(name, "");
}

}  // namespace
