#include "platform/NamedLock.h"

#include <gtest/gtest.h>

#include "platform/Platform.h"

using kvplatform::NamedLock;

namespace {

std::string UniqueName(const char* what) {
  return std::string("kvtest_") + what + "_" + std::to_string(kvplatform::CurrentProcessId());
}

}  // namespace

TEST(NamedLock, ExistsWhileAnyHolderLives) {
  const std::string name = UniqueName("holders");
  EXPECT_FALSE(NamedLock::IsHeld(name));
  {
    NamedLock first;
    ASSERT_TRUE(first.Acquire(name));
    EXPECT_TRUE(first.IsAcquired());
    EXPECT_TRUE(NamedLock::IsHeld(name));
    // Probing does not take the lock away.
    EXPECT_TRUE(NamedLock::IsHeld(name));

    // A second holder joins, as a second handle to one mutex does.
    NamedLock second;
    ASSERT_TRUE(second.Acquire(name));
    first.Release();
    EXPECT_FALSE(first.IsAcquired());
    EXPECT_TRUE(NamedLock::IsHeld(name));
    EXPECT_FALSE(NamedLock::IsHeld(UniqueName("other")));
  }
  EXPECT_FALSE(NamedLock::IsHeld(name));
}

TEST(NamedLock, NamesWithPathCharactersStayNames) {
  const std::string name = UniqueName("a/../b:c");
  NamedLock lock;
  ASSERT_TRUE(lock.Acquire(name));
  EXPECT_TRUE(NamedLock::IsHeld(name));
  EXPECT_FALSE(NamedLock::IsHeld(UniqueName("b:c")));
  lock.Release();
  EXPECT_FALSE(NamedLock::IsHeld(name));
  EXPECT_FALSE(lock.Acquire(""));
}
