// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/computername.h"

#include <gtest/gtest.h>

#include <fstream>

namespace torvane {
namespace {

TEST(SystemComputerName, MatchesTheKernelsHostName) {
    std::ifstream kernel("/proc/sys/kernel/hostname");
    std::string expected;
    if (!std::getline(kernel, expected)) GTEST_SKIP() << "/proc/sys/kernel/hostname is not readable here";
    const auto name = SystemComputerName().Read();
    ASSERT_TRUE(name.has_value());
    EXPECT_EQ(*name, expected);
}

}  // namespace
}  // namespace torvane
