// The receive loop's values and texts, and the read hand-over under plug/unplug stress.
#include <gtest/gtest.h>

#include <thread>

#include "app/globals.h"
#include "app/presence.h"
#include "app/read_handover.h"
#include "app/receive.h"
#include "fake_platform.h"
#include "wait_until.h"

namespace {

class Receive : public ::testing::Test {
 protected:
  void SetUp() override { fake::Reset(); }
  void TearDown() override {
    const auto faults = fake::Faults();
    EXPECT_TRUE(faults.empty()) << faults.front();
  }
};

using Texts = std::vector<std::pair<int32_t, std::string>>;

struct ValueCase {
  fake::Report report;
  const char* text;           // null: nothing is shown
  uint16_t input_length = 5;  // the input report's length on the interface held
};

// Each row after the one before it, in one receive buffer: a short read shows nothing, not
// the earlier report's bytes after its end.
TEST_F(Receive, ShowsEachReportAsSignedDecimal) {
  const ValueCase cases[] = {
      {{0x00, 0x39, 0x30, 0x00, 0x00}, "12345"},
      {{0x00, 0xFF, 0xFF, 0xFF, 0xFF}, "-1"},
      {{0x00, 0x00, 0x00, 0x00, 0x80}, "-2147483648"},
      {{0x00, 0xFF, 0xFF, 0xFF, 0x7F}, "2147483647"},
      {{0x07, 0x00, 0x00, 0x00, 0x00}, "0"},
      {{0x01, 0x0A, 0x00, 0x00, 0x00}, "10"},
      {{0x00, 0x0B, 0x00}, nullptr},
      {fake::Report(65, 0xEE), "-286331154", 65},
      {{0x00, 0x0C, 0x00, 0x00, 0x00}, nullptr, 65},
  };
  uint8_t buffer[RECEIVE_BUFFER_SIZE] = {};
  for (const ValueCase& c : cases) {
    fake::Reset();
    HidFraming framing = fake::ConsoleFraming();
    framing.input_length = c.input_length;
    framing.output_length = c.input_length == 5 ? 9 : 65;
    fake::SetFraming(framing);
    fake::SetPresent(true);
    CheckDevice();
    fake::QueueReport(c.report);
    RunReceivePass(buffer);
    const Texts shown = fake::TextsPut();
    EXPECT_EQ(shown.back(),
              (c.text != nullptr ? std::pair<int32_t, std::string>{12, c.text} : shown.front()))
        << c.report.size() << "-byte read, " << c.input_length << "-byte reports";
  }
}

// Runs the presence monitor's side of every ReadFailed event posted so far; returns how many.
size_t DeliverReadFailures() {
  const std::vector<int32_t> posted = fake::TakePostedEvents();
  for (int32_t code : posted) {
    EXPECT_EQ(code, ReadFailed);
    HandleReadFailure();
  }
  return posted.size();
}

// A failed read, whatever its error, shows nothing and is tried again at the next pass on the
// same handle; the first failure of a run has the device asked at once, and a device that
// still answers keeps its handles.
TEST_F(Receive, AFailedReadShowsNothingAndIsTriedAgain) {
  fake::SetPresent(true);
  CheckDevice();
  const HidHandle handle = CurrentReadHandle();
  const int probes = fake::HandleCheckCount();
  uint8_t buffer[RECEIVE_BUFFER_SIZE] = {};
  fake::SetReadsFailAtOnce(true, 995);
  RunReceivePass(buffer);
  fake::SetReadsFailAtOnce(true, 31);
  RunReceivePass(buffer);
  EXPECT_EQ(DeliverReadFailures(), 1u) << "one ReadFailed for the run";
  EXPECT_EQ(fake::HandleCheckCount(), probes + 1);
  fake::SetReadsFailAtOnce(false);
  fake::QueueReport({0, 0x39, 0x30, 0, 0});
  RunReceivePass(buffer);
  EXPECT_EQ(fake::ReadsStarted(), 3);
  EXPECT_EQ(CurrentReadHandle(), handle);
  EXPECT_EQ(fake::OpenCount(), 2);
  EXPECT_EQ(fake::TextsPut(), (Texts{{0, "Discovered device"}, {12, "12345"}}));
}

// A board that resets is found by its failing read and reopened before the next tick.
TEST_F(Receive, AReadThatFailsOnAResetBoardHasItReopenedAtOnce) {
  fake::SetPresent(true);
  CheckDevice();
  const HidHandle handle = CurrentReadHandle();
  fake::Replug();
  uint8_t buffer[RECEIVE_BUFFER_SIZE] = {};
  RunReceivePass(buffer);
  EXPECT_EQ(DeliverReadFailures(), 1u);
  EXPECT_NE(CurrentReadHandle(), 0);
  EXPECT_NE(CurrentReadHandle(), handle);
  fake::QueueReport({0, 0x0A, 0, 0, 0});
  RunReceivePass(buffer);
  EXPECT_EQ(fake::TextsPut().back(), (std::pair<int32_t, std::string>{12, "10"}));
}

// The platform gives a new handle the value of the one just closed: reads failing on it are
// a run of their own.
TEST_F(Receive, AReopenedHandleWithTheOldValueStartsANewRun) {
  fake::ReuseHandleValues(true);
  fake::SetPresent(true);
  CheckDevice();
  const HidHandle handle = CurrentReadHandle();
  fake::SetReadsFailAtOnce(true, 31);
  uint8_t buffer[RECEIVE_BUFFER_SIZE] = {};
  RunReceivePass(buffer);
  fake::TakePostedEvents();
  fake::Replug();
  CheckDevice();
  ASSERT_EQ(CurrentReadHandle(), handle);
  RunReceivePass(buffer);
  EXPECT_EQ(fake::TakePostedEvents().size(), 1u);
}

// A read that ends on a handle retired meanwhile is not on ReadHandle, even when the handle
// given over since has the same value.
TEST_F(Receive, AReadOnARetiredHandleIsNotCurrentWhateverTheNewValue) {
  fake::SetPresent(true);
  CheckDevice();
  const HidHandle handle = CurrentReadHandle();
  ASSERT_EQ(AcquireReadHandle().handle, handle);
  RetireReadHandle();
  PutReadHandle(handle, 5);
  EXPECT_FALSE(ReleaseReadHandle());
  ResetReadHandover();
}

TEST_F(Receive, NoHandleMeansNoReadAndNoText) {
  uint8_t buffer[RECEIVE_BUFFER_SIZE] = {};
  RunReceivePass(buffer);
  EXPECT_EQ(fake::ReadsStarted(), 0);
  EXPECT_TRUE(fake::TextsPut().empty());
}

// The main thread lets the device go while the receive thread blocks in a read on it: the
// read that its retirement cancels posts no ReadFailed.
TEST_F(Receive, AReadCancelledByTheMainThreadPostsNothing) {
  fake::SetPresent(true);
  CheckDevice();
  const HidHandle handle = CurrentReadHandle();
  std::thread receiver([] {
    uint8_t buffer[RECEIVE_BUFFER_SIZE] = {};
    RunReceivePass(buffer);
  });
  ASSERT_TRUE(WaitUntil([&] { return fake::ReadingHandle() == handle; }, 5000, 1));
  fake::SetPresent(false);
  CheckDevice();
  receiver.join();
  EXPECT_TRUE(fake::TakePostedEvents().empty());
  EXPECT_TRUE(fake::OpenHandles().empty());
}

// Plug and unplug many times while the receive thread blocks in reads, with a re-plug inside
// one tick (the handles die, and the device is back by the next check) every third cycle: no
// read ever runs on a closed handle, no handle is closed while a read runs on it, and none is
// leaked.
TEST_F(Receive, PlugUnplugStressNeverReadsAClosedHandle) {
  std::thread receiver(ReceiveLoop);
  for (int cycle = 0; cycle < 1000; ++cycle) {
    fake::SetPresent(true);
    CheckDevice();
    if (cycle % 3 == 0) {
      // Let the receive thread block on this handle before the device goes.
      const HidHandle handle = CurrentReadHandle();
      ASSERT_TRUE(WaitUntil([&] { return fake::ReadingHandle() == handle; }, 5000, 1))
          << "cycle " << cycle;
    }
    if (cycle % 3 == 1) {
      const HidHandle lost = CurrentReadHandle();
      fake::Replug();
      CheckDevice();
      ASSERT_NE(CurrentReadHandle(), lost) << "cycle " << cycle;
    }
    if (cycle % 7 == 0) fake::QueueReport({0, static_cast<uint8_t>(cycle), 0, 0, 0});
    fake::SetPresent(false);
    CheckDevice();
    // The presence timer keeps waking a read that began just after the device went.
    CheckDevice();
  }
  RequestReceiveStop();
  WaitUntil(
      [] {
        WakeReceiveThread();
        return !fake::ReadInProgress() && fake::OpenHandles().empty();
      },
      1000);
  receiver.join();
  EXPECT_TRUE(fake::OpenHandles().empty());
  EXPECT_EQ(fake::CloseCount(), fake::OpenCount());
}

}  // namespace
