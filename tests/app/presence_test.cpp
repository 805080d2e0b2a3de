// The presence monitor's transitions against a simulated device.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "app/presence.h"
#include "app/read_handover.h"
#include "app/receive.h"
#include "app/send.h"
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

TEST_F(Presence, TicksWhileConnectedAskOnlyTheDeviceHeldAndOpenNothing) {
  fake::SetPresent(true);
  CheckDevice();
  const HidHandle write = WriteHandle, read = CurrentReadHandle();
  for (int tick = 0; tick < 10; ++tick) CheckDevice();
  EXPECT_EQ(fake::ScanCount(), 1);  // at start-up only
  EXPECT_EQ(fake::HandleCheckCount(), 10);
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

TEST_F(Presence, AnOpenThatFailedIsTriedAgainAtEveryTickUntilBothAreOpen) {
  fake::SetPresent(true);
  fake::SetOpenFails(true);
  CheckDevice();
  CheckDevice();
  EXPECT_EQ(DeviceState, 1);
  EXPECT_EQ(WriteHandle, 0);
  EXPECT_EQ(CurrentReadHandle(), 0);
  EXPECT_TRUE(fake::TextsPut().empty()) << "the status line keeps \"No HID device\"";
  fake::SetOpenFails(false);
  CheckDevice();
  EXPECT_NE(WriteHandle, 0);
  EXPECT_NE(CurrentReadHandle(), 0);
  EXPECT_EQ(fake::TextsPut(), (Texts{{0, "Discovered device"}}));
}

// A transfer that says the device has gone makes the next check reopen both handles (the
// device may be back already); one that was cancelled, timed out or refused does not.
TEST_F(Presence, OnlyAGoneErrorMakesTheNextCheckReopenBothHandles) {
  struct Case {
    bool on_read;
    uint32_t error;
    bool reopened;
  };
  const Case cases[] = {{true, 1167, true},  {true, 109, true},  {true, 995, false},
                        {false, 1167, true}, {false, 233, true}, {false, 1460, false},
                        {false, 170, false}, {false, 995, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE((c.on_read ? "read error " : "write error ") + std::to_string(c.error));
    fake::Reset();
    fake::SetFieldText(4, "12345678");
    fake::SetPresent(true);
    CheckDevice();
    const HidHandle write = WriteHandle, read = CurrentReadHandle();
    uint8_t buffer[RECEIVE_BUFFER_SIZE] = {};
    if (c.on_read) {
      fake::SetReadsFailAtOnce(true, c.error);
      RunReceivePass(buffer);
      fake::SetReadsFailAtOnce(false);
    } else {
      fake::SetWriteError(c.error);
      RunRowCommand(1);
      fake::SetWriteError(0);
    }
    CheckDevice();
    EXPECT_EQ(WriteHandle != write && CurrentReadHandle() != read, c.reopened);
    EXPECT_EQ(fake::OpenHandles().size(), 2u);
    EXPECT_EQ(fake::OpenCount(), c.reopened ? 4 : 2);
    // Reopened inside one tick: the status line never changed.
    EXPECT_EQ(fake::TextsPut(), (Texts{{0, "Discovered device"}}));
    EXPECT_TRUE(fake::Faults().empty());
  }
}

TEST_F(Presence, ALostDeviceThatIsNotBackIsShownAsAbsent) {
  fake::SetPresent(true);
  CheckDevice();
  fake::SetPresent(false);
  fake::SetWriteError(1167);
  RunRowCommand(1);
  CheckDevice();
  EXPECT_EQ(WriteHandle, 0);
  EXPECT_EQ(CurrentReadHandle(), 0);
  EXPECT_TRUE(fake::OpenHandles().empty());
  EXPECT_EQ(fake::TextsPut(), (Texts{{0, "Discovered device"}, {0, "No HID device"}}));
}

}  // namespace
