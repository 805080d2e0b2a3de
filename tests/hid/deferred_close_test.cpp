// Closes of handles that given-up writes may still be using.
#include <gtest/gtest.h>

#include "hid/deferred_close.h"

namespace {

TEST(DeferredClose, HandleWithoutStuckWritesClosesAtOnce) {
  EXPECT_FALSE(DeferClose(0x10));
  EXPECT_FALSE(EndStuckWrite(0x10));
}

TEST(DeferredClose, LastStuckWriteClosesOnlyWhenAsked) {
  AddStuckWrite(0x20);
  EXPECT_FALSE(EndStuckWrite(0x20));  // no close was asked for
  EXPECT_FALSE(DeferClose(0x20));     // nothing runs on it any more

  AddStuckWrite(0x30);
  AddStuckWrite(0x30);
  AddStuckWrite(0x40);
  EXPECT_TRUE(DeferClose(0x30));
  EXPECT_FALSE(EndStuckWrite(0x30));  // one write still runs
  EXPECT_TRUE(EndStuckWrite(0x30));   // the last one closes
  EXPECT_FALSE(EndStuckWrite(0x30));  // and only once
  EXPECT_FALSE(DeferClose(0x30));     // a new handle with the same value closes at once
  EXPECT_FALSE(EndStuckWrite(0x40));  // other handles are not affected
}

}  // namespace
