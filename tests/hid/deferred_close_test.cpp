// Closes of handles that given-up writes may still be using.
#include <gtest/gtest.h>

#include "hid/deferred_close.h"

namespace {

TEST(DeferredClose, HandleWithoutStuckWritesClosesAtOnce) {
  EXPECT_FALSE(DeferClose(0x10));
  EXPECT_FALSE(HasStuckWrite(0x10));
  EXPECT_FALSE(EndStuckWrite(-1));
}

TEST(DeferredClose, TheStuckWriteClosesOnlyWhenAskedAndOnlyOnce) {
  const int32_t plain = AddStuckWrite(0x20);
  ASSERT_GE(plain, 0);
  EXPECT_TRUE(HasStuckWrite(0x20));
  EXPECT_FALSE(EndStuckWrite(plain));  // no close was asked for
  EXPECT_FALSE(HasStuckWrite(0x20));
  EXPECT_FALSE(DeferClose(0x20));  // nothing runs on it any more

  const int32_t asked = AddStuckWrite(0x30);
  const int32_t other = AddStuckWrite(0x40);
  EXPECT_TRUE(DeferClose(0x30));
  EXPECT_TRUE(DeferClose(0x30));  // asked twice, still left to the write
  EXPECT_TRUE(EndStuckWrite(asked));
  EXPECT_FALSE(EndStuckWrite(asked));  // and closed only once
  EXPECT_FALSE(DeferClose(0x30));      // a new handle with the same value closes at once
  EXPECT_TRUE(HasStuckWrite(0x40));    // other handles are not affected
  EXPECT_FALSE(EndStuckWrite(other));
}

TEST(DeferredClose, EntriesRunOutAndComeBack) {
  int32_t entries[MAX_STUCK_WRITES];
  for (int32_t i = 0; i < MAX_STUCK_WRITES; ++i) {
    EXPECT_FALSE(StuckWritesFull());
    entries[i] = AddStuckWrite(0x100 + 4 * i);
    ASSERT_GE(entries[i], 0);
  }
  EXPECT_TRUE(StuckWritesFull());
  EXPECT_EQ(AddStuckWrite(0x400), -1);
  EndStuckWrite(entries[3]);
  EXPECT_FALSE(StuckWritesFull());
  EXPECT_GE(AddStuckWrite(0x400), 0);
  for (int32_t i = 0; i < MAX_STUCK_WRITES; ++i) EndStuckWrite(i);
  EXPECT_FALSE(HasStuckWrite(0x400));
}

}  // namespace
