// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/convert.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace torvane {
namespace {

TEST(DottedAddress, FormatsTheFourBytesInNetworkOrder) {
    EXPECT_EQ(DottedAddress(htonl(0xC0A80005)), "192.168.0.5");
    EXPECT_EQ(DottedAddress(htonl(0xFFFFFFFF)), "255.255.255.255");
    EXPECT_EQ(DottedAddress(htonl(0x7F000001)), "127.0.0.1");
    EXPECT_EQ(DottedAddress(0), "0.0.0.0");
}

TEST(StrToInt, AcceptsDecimalWithBlanksAndSign) {
    EXPECT_EQ(StrToInt("27910"), 27910);
    EXPECT_EQ(StrToInt("  -1"), -1);
    EXPECT_EQ(StrToInt("+8"), 8);
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(StrToInt("2147483647"), INT32_MAX);
}

TEST(StrToInt, RejectsEverythingElseWithTheUsersMessage) {
    for (const char* bad : {"", " ", "-", "27910x", "1 ", "0x10", "abc", "2147483648", "-2147483649",
                            "99999999999999999999999"}) {
        try {
            StrToInt(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("'") + bad + "' is not a valid integer value");
        }
    }
    EXPECT_EQ(StrToIntDef("x", 7), 7);
}

}  // namespace
}  // namespace torvane
