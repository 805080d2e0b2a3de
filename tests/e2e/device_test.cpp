// Stand-in rig: devices beside ours (other IDs, a second match): the test board is only one device.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_fixture.h"

namespace e2e {
namespace {

using Bytes = std::vector<uint8_t>;

const int kRowButtons[] = {1, 11, 13, 2, 21, 23, 3, 31, 33};

class Device : public AppTest {
 protected:
  // Waits for the status line to read `text`.
  bool StatusIs(const char* text, DWORD timeout_ms = 3000) {
    return WaitForText(Gadget(kStatusLabel), text, timeout_ms);
  }

  // Presses a button and returns the report that device `dev` receives for it.
  Bytes PressAndReceive(int dev, int button) {
    const size_t before = sim_->Reports(dev).size();
    EXPECT_TRUE(Press(Gadget(button)));
    if (!sim_->WaitReports(dev, before + 1, 3000)) {
      ADD_FAILURE() << "no report after button " << button;
      return {};
    }
    return sim_->Reports(dev)[before].bytes;
  }

  // Waits until the program holds its two handles on a device: the scan's probe and both opens
  // have reached the simulator (so a report sent now reaches the read handle), and two stay.
  bool HoldsTwoHandles(int dev) {
    return WaitUntil([&] { return sim_->Opens(dev) >= 3 && sim_->OpenHandles(dev) == 2; }, 3000);
  }
};

TEST_F(Device, WithoutMatchingDeviceEveryButtonShowsTheBoxAndNothingIsSent) {
  const int other_vendor = sim_->Plug({0x1234, 0xEF22, 0x0100});
  const int other_product = sim_->Plug({0xAAAA, 0xEF23, 0x0100});
  Start();
  for (int button : kRowButtons) {
    SCOPED_TRACE("button " + std::to_string(button));
    ExpectNoDeviceBox(button);
  }
  EXPECT_EQ(TextOf(Gadget(kStatusLabel)), "No HID device");
  EXPECT_TRUE(sim_->Reports(other_vendor).empty());
  EXPECT_TRUE(sim_->Reports(other_product).empty());
  // Every tick's scan probes both for a moment (open, query, close); none is kept open.
  EXPECT_TRUE(WaitUntil([&] { return sim_->OpenHandles(other_vendor) == 0; }, 1000));
  EXPECT_TRUE(WaitUntil([&] { return sim_->OpenHandles(other_product) == 0; }, 1000));
}

TEST_F(Device, TheFirstOfTwoMatchingDevicesIsUsed) {
  const int first = sim_->Plug(kQuill);
  const int second = sim_->Plug({0xAAAA, 0xEF22, 0x0200});
  Start();
  ASSERT_TRUE(HoldsTwoHandles(first));
  EXPECT_EQ(PressAndReceive(first, 11), (Bytes{0, 0x12, 0x34, 0x56, 0x78, 0, 0, 0, 0}));
  EXPECT_TRUE(sim_->Reports(second).empty());
  EXPECT_EQ(sim_->OpenHandles(second), 0);
}

}  // namespace
}  // namespace e2e
