// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/localaddresses.h"

#include <gtest/gtest.h>

#include "support/isolated_lan.h"

namespace torvane {
namespace {

TEST(IsLocalAddress, LoopbackIsOursAndNoTextIsAnAddress) {
    EXPECT_TRUE(IsLocalAddress("127.0.0.1"));
    EXPECT_TRUE(IsLocalAddress("127.1.2.3"));
    for (const char* text : {"", "localhost", "127.0.0.1 ", "1.2.3", "256.0.0.1"}) {
        EXPECT_FALSE(IsLocalAddress(text)) << text;
    }
}

TEST(IsLocalAddress, AnInterfacesAddressIsOursAndOthersOnItsNetworkAreNot) {
    if (!test::CanCreateNetworkNamespace()) GTEST_SKIP() << "needs root to build a private LAN";
    EXPECT_EQ(0, test::RunInIsolatedLan([] {
                  EXPECT_TRUE(IsLocalAddress("10.99.0.1"));
                  EXPECT_FALSE(IsLocalAddress("10.99.0.11"));
                  EXPECT_FALSE(IsLocalAddress("192.0.2.77"));
              }));
}

}  // namespace
}  // namespace torvane
