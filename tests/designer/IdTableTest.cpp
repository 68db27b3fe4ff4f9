#include "designer/IdTable.h"

#include <gtest/gtest.h>

namespace {

TEST(IdTable, FreeWantedIdIsKeptAndTakenIdMovesToLowestFreeFrom100) {
  KVIdTable ids;
  EXPECT_EQ(300, ids.Allocate(300));
  EXPECT_EQ(7, ids.Allocate(7));
  EXPECT_EQ(100, ids.Allocate(300));
  EXPECT_EQ(101, ids.Allocate(7));
  EXPECT_EQ(0, ids.Allocate(0));
  EXPECT_EQ(102, ids.Allocate(0));
  EXPECT_TRUE(ids.InUse(300));
  EXPECT_FALSE(ids.InUse(103));
}

TEST(IdTable, IdsOutsideTheTableAreReplaced) {
  KVIdTable ids;
  for (std::int32_t wanted : {-1, 10100, 65536, INT32_MIN, INT32_MAX}) {
    SCOPED_TRACE(wanted);
    const std::int32_t id = ids.Allocate(wanted);
    EXPECT_TRUE(KVIdTable::Contains(id));
    EXPECT_GE(id, 100);
  }
  EXPECT_FALSE(ids.InUse(-1));
  ids.Release(-1);
  ids.Release(10100);
}

TEST(IdTable, AllocateFreeDoesNotTryTheLowIdsAndReleasedIdsComeBackFirst) {
  KVIdTable ids;
  EXPECT_EQ(100, ids.AllocateFree());
  EXPECT_EQ(101, ids.AllocateFree());
  EXPECT_EQ(102, ids.AllocateFree());
  ids.Release(101);
  EXPECT_FALSE(ids.InUse(101));
  EXPECT_EQ(101, ids.AllocateFree());
  EXPECT_EQ(103, ids.AllocateFree());
}

TEST(IdTable, FullTableGivesZero) {
  KVIdTable ids;
  for (std::int32_t id = 100; id < KVIdTable::kSize; ++id) ids.Allocate(id);
  EXPECT_TRUE(ids.Full());
  EXPECT_EQ(5, ids.Allocate(5));
  EXPECT_EQ(0, ids.Allocate(5));
  EXPECT_TRUE(ids.InUse(0));
  EXPECT_EQ(0, ids.AllocateFree());
  ids.Release(5000);
  EXPECT_FALSE(ids.Full());
  EXPECT_EQ(5000, ids.Allocate(9999));
}

}  // namespace
