// ObjectTable: slots, growth, automatic identifiers, reuse, release and Names order.
#include "common/object_table.h"

#include <gtest/gtest.h>

namespace {

struct TestRecord {
  intptr_t handle = 0;
  int32_t payload = 0;
};

TEST(ObjectTable, NumberBeyondTheSlotsGrowsToNumberPlusStep) {
  struct Case {
    int32_t initial, step, number, expected_slots;
  };
  const Case cases[] = {{16, 16, 0, 16},  {16, 16, 15, 16},  {16, 16, 16, 32},
                        {16, 16, 40, 56}, {50, 50, 50, 100}, {50, 50, 49, 50}};
  for (const Case& c : cases) {
    ObjectTable<TestRecord> table(c.initial, c.step);
    int32_t assigned = -5;
    ASSERT_NE(table.Claim(c.number, &assigned), nullptr) << c.number;
    EXPECT_EQ(assigned, c.number);
    EXPECT_EQ(table.SlotCount(), c.expected_slots) << "number " << c.number;
  }
}

TEST(ObjectTable, ClaimedSlotIsEmptyUntilItHoldsAHandle) {
  ObjectTable<TestRecord> table(4, 4);
  int32_t assigned = 0;
  TestRecord* record = table.Claim(2, &assigned);
  EXPECT_EQ(table.Find(2), nullptr);
  record->handle = 77;
  EXPECT_EQ(table.Find(2), record);
  EXPECT_EQ(table.Find(3), nullptr);
  EXPECT_EQ(table.Find(1000), nullptr);
}

TEST(ObjectTable, ReclaimingANumberGivesAZeroedRecord) {
  ObjectTable<TestRecord> table(4, 4);
  int32_t assigned = 0;
  TestRecord* first = table.Claim(1, &assigned);
  first->handle = 5;
  first->payload = 9;
  TestRecord* second = table.Claim(1, &assigned);
  EXPECT_EQ(second->handle, 0);
  EXPECT_EQ(second->payload, 0);
}

TEST(ObjectTable, AutomaticIdentifiersAreUniqueAndOutsideTheSlots) {
  ObjectTable<TestRecord> table(16, 16);
  int32_t first = 0, second = 0;
  table.Claim(-1, &first)->handle = 1;
  table.Claim(-1, &second)->handle = 2;
  EXPECT_NE(first, second);
  EXPECT_GE(first, table.SlotCount());
  EXPECT_GE(second, table.SlotCount());
  EXPECT_EQ(table.Find(first)->handle, 1);
  EXPECT_EQ(table.Find(second)->handle, 2);
  // Growing the slots never reaches an identifier.
  int32_t big = 0;
  table.Claim(100000, &big)->handle = 3;
  EXPECT_GT(first, table.SlotCount());
  EXPECT_EQ(table.Find(first)->handle, 1);
}

TEST(ObjectTable, RefusesNegativeNumbersAndIdentifierRange) {
  ObjectTable<TestRecord> table(4, 4);
  int32_t assigned = 123;
  for (int32_t bad : {-2, -100, FIRST_AUTOMATIC_IDENTIFIER, FIRST_AUTOMATIC_IDENTIFIER + 5}) {
    EXPECT_EQ(table.Claim(bad, &assigned), nullptr) << bad;
  }
  EXPECT_EQ(assigned, 123);
  EXPECT_EQ(table.SlotCount(), 4);
}

TEST(ObjectTable, ReleaseEmptiesSlotsAndRemovesAutomaticRecords) {
  ObjectTable<TestRecord> table(4, 4);
  int32_t slot = 0, automatic = 0;
  table.Claim(3, &slot)->handle = 1;
  table.Claim(-1, &automatic)->handle = 2;
  table.Release(3);
  table.Release(automatic);
  table.Release(999);  // unknown: ignored
  EXPECT_EQ(table.Find(3), nullptr);
  EXPECT_EQ(table.Find(automatic), nullptr);
  EXPECT_TRUE(table.Names().empty());
}

TEST(ObjectTable, NamesListsSlotsInOrderThenAutomaticOldestFirst) {
  ObjectTable<TestRecord> table(8, 8);
  int32_t a = 0, b = 0, n = 0;
  table.Claim(-1, &a)->handle = 1;
  table.Claim(5, &n)->handle = 1;
  table.Claim(-1, &b)->handle = 1;
  table.Claim(0, &n)->handle = 1;
  table.Claim(2, &n);  // claimed but holding no object
  const std::vector<int32_t> expected{0, 5, a, b};
  EXPECT_EQ(table.Names(), expected);
}

}  // namespace
