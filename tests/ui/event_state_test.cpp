// EventState: queue order, duplicate drop, pending code and snapshot rules.
#include "ui/event_state.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

// Drains the queue through BeginWait; returns (code, window) pairs in order.
std::vector<std::pair<int32_t, int32_t>> Drain(EventState& state) {
  std::vector<std::pair<int32_t, int32_t>> taken;
  int32_t code = 0;
  while (state.BeginWait(&code)) taken.emplace_back(code, state.Snapshot().window_number);
  return taken;
}

TEST(EventState, QueuedEventsComeOutInArrivalOrder) {
  EventState state;
  state.Queue(13107, 0);
  state.Queue(13109, 0);
  state.Queue(5, 0);
  state.Queue(3, 1);
  const std::vector<std::pair<int32_t, int32_t>> expected{{13107, 0}, {13109, 0}, {5, 0}, {3, 1}};
  EXPECT_EQ(Drain(state), expected);
}

TEST(EventState, ConsecutiveDuplicateDroppedOnlyWhenCodeAndWindowMatch) {
  struct Case {
    std::vector<std::pair<int32_t, int32_t>> queued;
    size_t kept;
  };
  const Case cases[] = {
      {{{15, 0}, {15, 0}, {15, 0}}, 1},                  // repeated erasures: one repaint
      {{{15, 0}, {15, 1}}, 2},                           // same code, other window
      {{{15, 0}, {3, 0}}, 2},                            // same window, other code
      {{{15, 0}, {3, 0}, {15, 0}, {3, 0}, {15, 0}}, 5},  // alternating: all kept
      {{{16, -1}, {16, -1}}, 1},
  };
  for (const Case& c : cases) {
    EventState state;
    for (const auto& entry : c.queued) state.Queue(entry.first, entry.second);
    EXPECT_EQ(state.QueuedCount(), c.kept);
    EXPECT_EQ(Drain(state).size(), c.kept);
  }
}

TEST(EventState, EntryTakenFromTheFrontNoLongerBlocksADuplicate) {
  EventState state;
  state.Queue(15, 0);
  int32_t code = 0;
  ASSERT_TRUE(state.BeginWait(&code));
  state.Queue(15, 0);
  EXPECT_EQ(state.QueuedCount(), 1u);
}

TEST(EventState, LaterPendingCodeOverwritesEarlierOne) {
  EventState state;
  state.SetPending(13100);
  state.SetPending(13110);
  EXPECT_EQ(state.FinishMessage(256, 1, 2), 13110);
  // The pending code was returned once; the next message returns its own number.
  EXPECT_EQ(state.FinishMessage(257, 3, 4), 257);
}

TEST(EventState, QueuedEventDropsThePendingCode) {
  EventState state;
  state.SetPending(13100);
  state.Queue(16, 0);
  int32_t code = 0;
  ASSERT_TRUE(state.BeginWait(&code));
  EXPECT_EQ(code, 16);
  EXPECT_FALSE(state.BeginWait(&code));
  EXPECT_EQ(state.FinishMessage(512, 0, 0), 512);
}

TEST(EventState, MessageParametersKeptOnlyWhenNoEventWasRaised) {
  EventState state;
  EXPECT_EQ(state.FinishMessage(256, 11, 22), 256);
  EXPECT_EQ(state.Snapshot().wparam, 11);
  EXPECT_EQ(state.Snapshot().lparam, 22);
  state.SetPending(13100);
  EXPECT_EQ(state.FinishMessage(273, 33, 44), 13100);
  EXPECT_EQ(state.Snapshot().wparam, 11);
  EXPECT_EQ(state.Snapshot().lparam, 22);
}

TEST(EventState, WaitResetsTheEventTypeAndTakesTheQueuedWindow) {
  EventState state;
  state.current.event_type = 0x300;
  state.current.window_number = 4;
  state.Queue(16, 2);
  int32_t code = 0;
  ASSERT_TRUE(state.BeginWait(&code));
  EXPECT_EQ(state.Snapshot().event_type, -1);
  EXPECT_EQ(state.Snapshot().window_number, 2);
  state.current.event_type = 0x300;
  EXPECT_FALSE(state.BeginWait(&code));
  EXPECT_EQ(state.current.event_type, -1);
}

TEST(EventState, SnapshotUnaffectedByLaterWindowProcedureActivity) {
  EventState state;
  state.SetPending(13100);
  state.current.object_number = 11;
  state.current.event_type = 0;
  state.current.window_number = 0;
  ASSERT_EQ(state.FinishMessage(273, 0, 0), 13100);
  state.current.object_number = 12;
  state.current.event_type = 0x300;
  state.current.window_number = 7;
  state.SetPending(13110);
  state.Queue(15, 7);
  EXPECT_EQ(state.Snapshot().object_number, 11);
  EXPECT_EQ(state.Snapshot().event_type, 0);
  EXPECT_EQ(state.Snapshot().window_number, 0);
}

TEST(EventState, DataBlockClearedAtTheStartOfTheNextWait) {
  EventState state;
  state.data_block = 1234;
  int32_t code = 0;
  state.BeginWait(&code);
  EXPECT_EQ(state.data_block, 0);
}

}  // namespace
