// The presence monitor's transitions against a simulated device.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "app/presence.h"
#include "app/read_handover.h"
#include "fake_platform.h"

namespace {

class Presence : public ::testing::Test {
 protected:
  void SetUp() override { fake::Reset(); }
  void TearDown() override { EXPECT_TRUE(fake::Faults().empty()) << fake::Faults().front(); }
};

using Texts = std::vector<std::pair<int32_t, std::string>>;

TEST_F(Presence, AbsentAtStartChangesNothing) {
  CheckDevice();
  CheckDevice();
  EXPECT_EQ(DeviceState, 0);
  EXPECT_EQ(WriteHandle, 0);
  EXPECT_EQ(CurrentReadHandle(), 0);
  EXPECT_TRUE(fake::TextsPut().empty());
  EXPECT_EQ(fake::OpenCount(), 0);
}

TEST_F(Presence, AttachedBeforeStartOpensTwoHandlesAtTheFirstCheck) {
  fake::SetPresent(true);
  CheckDevice();
  EXPECT_EQ(DeviceState, 1);
  EXPECT_NE(WriteHandle, 0);
  EXPECT_NE(CurrentReadHandle(), 0);
  EXPECT_NE(WriteHandle, CurrentReadHandle());
  EXPECT_EQ(fake::OpenHandles().size(), 2u);
  EXPECT_EQ(fake::TextsPut(), (Texts{{0, "Discovered device"}}));
}

TEST_F(Presence, TwoPresentTicksOpenNothingAndWriteNoText) {
  fake::SetPresent(true);
  CheckDevice();
  const HidHandle write = WriteHandle, read = CurrentReadHandle();
  CheckDevice();
  EXPECT_EQ(fake::OpenCount(), 2);
  EXPECT_EQ(fake::TextsPut().size(), 1u);
  EXPECT_EQ(WriteHandle, write);
  EXPECT_EQ(CurrentReadHandle(), read);
}

TEST_F(Presence, RemovalClosesBothHandles) {
  fake::SetPresent(true);
  CheckDevice();
  fake::SetPresent(false);
  CheckDevice();
  EXPECT_EQ(DeviceState, 0);
  EXPECT_EQ(WriteHandle, 0);
  EXPECT_EQ(CurrentReadHandle(), 0);
  EXPECT_TRUE(fake::OpenHandles().empty());
  EXPECT_EQ(fake::CloseCount(), 2);
  EXPECT_EQ(fake::TextsPut(), (Texts{{0, "Discovered device"}, {0, "No HID device"}}));
}

TEST_F(Presence, ReattachOpensTwoNewHandles) {
  fake::SetPresent(true);
  CheckDevice();
  const HidHandle old_write = WriteHandle, old_read = CurrentReadHandle();
  fake::SetPresent(false);
  CheckDevice();
  fake::SetPresent(true);
  CheckDevice();
  EXPECT_EQ(fake::OpenCount(), 4);
  EXPECT_EQ(fake::OpenHandles().size(), 2u);
  EXPECT_NE(WriteHandle, 0);
  EXPECT_NE(WriteHandle, old_write);
  EXPECT_NE(CurrentReadHandle(), old_read);
  EXPECT_EQ(fake::TextsPut().back(), (std::pair<int32_t, std::string>{0, "Discovered device"}));
}

TEST_F(Presence, OpenFailureStillShowsDiscoveredWithNoHandles) {
  fake::SetPresent(true);
  fake::SetOpenFails(true);
  CheckDevice();
  EXPECT_EQ(DeviceState, 1);
  EXPECT_EQ(WriteHandle, 0);
  EXPECT_EQ(CurrentReadHandle(), 0);
  EXPECT_EQ(fake::TextsPut(), (Texts{{0, "Discovered device"}}));
  // No retry until the device has been seen absent and present again.
  fake::SetOpenFails(false);
  CheckDevice();
  EXPECT_EQ(WriteHandle, 0);
  fake::SetPresent(false);
  CheckDevice();
  fake::SetPresent(true);
  CheckDevice();
  EXPECT_NE(WriteHandle, 0);
  EXPECT_NE(CurrentReadHandle(), 0);
}

}  // namespace
