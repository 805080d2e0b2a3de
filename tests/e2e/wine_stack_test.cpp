// The hid layer against Wine's own SetupAPI, hid.dll and HID class driver, in a prefix without
// the test board: every prefix shows two virtual HID devices, a mouse and a keyboard, written by
// nobody here.
#include <windows.h>

#include <gtest/gtest.h>

#include "hid/hid.h"
#include "wait_until.h"

namespace {

constexpr uint16_t kWineVendor = 0x845E;
constexpr uint16_t kWineMouse = 0x0001;
constexpr uint16_t kWineKeyboard = 0x0002;

// Returns the number of handles that this process holds now, found by asking after each
// handle value in turn (Wine does not count them for GetProcessHandleCount).
int OpenHandles() {
  int count = 0;
  DWORD flags = 0;
  for (uintptr_t h = 4; h < 0x4000; h += 4) {
    if (GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags)) ++count;
  }
  return count;
}

class WineStack : public ::testing::TestWithParam<uint16_t> {
 protected:
  static void SetUpTestSuite() {
    CreateLibraryTable();
    InitHidAccess();
  }
  static void TearDownTestSuite() { FreeAllSystemLibraries(); }
};

TEST_P(WineStack, FoundOpenedTwiceAndProbed) {
  const uint16_t product = GetParam();
  const uint16_t other = product == kWineMouse ? kWineKeyboard : kWineMouse;
  // The prefix's services bring the devices up after its first start.
  ASSERT_TRUE(
      WaitUntil([&] { return FindHidDevice(product, kWineVendor, HID_ANY_VERSION) == 1; }, 10000))
      << "no HID device " << std::hex << kWineVendor << ":" << product;
  const int before = OpenHandles();
  EXPECT_EQ(FindHidDevice(product, kWineVendor, HID_ANY_VERSION), 1);
  const HidHandle first = OpenHidDevice(product, kWineVendor, HID_ANY_VERSION);
  const HidHandle second = OpenHidDevice(product, kWineVendor, HID_ANY_VERSION);
  ASSERT_NE(first, 0);
  ASSERT_NE(second, 0);
  EXPECT_NE(first, second);
  // The probe reads each handle's attributes: this device's identifiers, not the other's.
  EXPECT_EQ(CheckHidHandle(first, product, kWineVendor, HID_ANY_VERSION), 1);
  EXPECT_EQ(CheckHidHandle(second, product, kWineVendor, HID_ANY_VERSION), 1);
  EXPECT_EQ(CheckHidHandle(first, other, kWineVendor, HID_ANY_VERSION), 0);
  EXPECT_NE(CloseHidHandle(first), 0);
  EXPECT_NE(CloseHidHandle(second), 0);
  EXPECT_EQ(OpenHandles(), before) << "handles left open";
}

INSTANTIATE_TEST_SUITE_P(MouseAndKeyboard, WineStack, ::testing::Values(kWineMouse, kWineKeyboard));

}  // namespace
