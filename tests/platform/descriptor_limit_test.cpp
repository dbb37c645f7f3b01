#include <gtest/gtest.h>
#include <sys/resource.h>

#include "platform/descriptor_limit.h"

// The program starts with as many descriptors as the system lets it open.
TEST(DescriptorLimit, theSoftLimitIsRaisedToTheHardOne) {
  rlimit before{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &before), 0);
  if (before.rlim_max == RLIM_INFINITY || before.rlim_max < 64) GTEST_SKIP() << "no finite hard limit to raise to";
  rlimit lowered = before;
  lowered.rlim_cur = 32;
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
  ASSERT_EQ(descriptorLimit(), 32);
  EXPECT_EQ(raiseDescriptorLimit(), int(std::min<rlim_t>(before.rlim_max, rlim_t(INT_MAX))));
  rlimit after{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &after), 0);
  EXPECT_EQ(after.rlim_cur, before.rlim_max);
  ::setrlimit(RLIMIT_NOFILE, &before);
}
