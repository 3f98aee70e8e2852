// SPDX-License-Identifier: GPL-2.0-or-later
#include "peers/peerdatagram.h"

#include <gtest/gtest.h>

#include <climits>

namespace torvane {
namespace {

const char* Bytes(const std::string& s) {
    return s.data();
}

TEST(PeerDatagram, SentTextsAreCutToWhatReceiversRead) {
    const std::string huge(5000, 'x');
    const std::string info = BuildInfo({huge, PeerStatus::Ready, huge, INT32_MIN, "2.13", huge});
    // Every value fits a receiver's field, and the whole fits its payload.
    EXPECT_EQ(info, "TVNINFO\tK1\tA" + std::string(255, 'x') + "\tBR\tC" + std::string(255, 'x') +
                        "\tH-2147483648\tL2.13\tM" + std::string(255, 'x'));
    EXPECT_LE(info.size(), kTagLength + kMaxPayload);

    const std::string chat = BuildChat(huge, kShoutKind, huge);
    EXPECT_EQ(chat.size(), kChatBufferSize - 1);
    EXPECT_EQ(chat.substr(0, 7 + 255 + 2), "TVNMESS" + std::string(255, 'x') + "\tS");

    const std::string challenge = BuildChallenge({huge, huge, huge, huge, huge});
    EXPECT_EQ(challenge.size(), 7u + 5 * 255 + 4);
    EXPECT_LT(challenge.size(), kChallengeBufferSize);
}

TEST(PeerDatagram, PayloadIsCutAtTheReceiveBufferAndAtAZeroByte) {
    const std::string tag = "TVNMESS";
    EXPECT_EQ(ReadPayload(Bytes(tag), tag.size()), "");
    EXPECT_EQ(ReadPayload(Bytes(tag), 3), "");
    EXPECT_EQ(ReadPayload(nullptr, 0), "");

    std::string with_zero = tag + "Bob\tM";
    with_zero += '\0';
    with_zero += "hidden";
    EXPECT_EQ(ReadPayload(Bytes(with_zero), with_zero.size()), "Bob\tM");

    // The length given is the bound, never a terminator that is not there.
    const std::string long_one = tag + std::string(kMaxPayload, 'a') + "bcd";
    EXPECT_EQ(ReadPayload(Bytes(long_one), long_one.size()), std::string(kMaxPayload, 'a'));
    EXPECT_EQ(ReadPayload(Bytes(long_one), 10), "aaa");
}

TEST(PeerDatagram, InfoIntegersReadLikeTheSenderWroteThem) {
    EXPECT_EQ(ReadInfoInteger("2"), 2);
    EXPECT_EQ(ReadInfoInteger("  -17xyz"), -17);
    EXPECT_EQ(ReadInfoInteger("+5"), 5);
    EXPECT_EQ(ReadInfoInteger("abc"), 0);
    EXPECT_EQ(ReadInfoInteger(""), 0);
    EXPECT_EQ(ReadInfoInteger("-"), 0);
    EXPECT_EQ(ReadInfoInteger("2147483647"), INT_MAX);
    EXPECT_EQ(ReadInfoInteger("99999999999999999999"), INT_MAX);
    EXPECT_EQ(ReadInfoInteger("-2147483648"), INT_MIN);
    EXPECT_EQ(ReadInfoInteger("-99999999999999999999"), INT_MIN);
}

TEST(PeerDatagram, InfoFieldsFillTheirUserFields) {
    User user;
    ParseInfo("junk\tK7\tAAnn\tBBusy\tCgone\tDd\tEe\tFf\tG-1\tH2\tI3\tJ4\tL2.13\tMbox\tNAnn Smith\tZzz\t",
              user);
    EXPECT_EQ(user.KNumber, 7);
    EXPECT_EQ(user.Name, "Ann");
    EXPECT_EQ(user.Status, PeerStatus::Busy);
    EXPECT_EQ(user.Message, "gone");
    EXPECT_EQ(user.ReservedTexts, (std::array<std::string, 3>{"d", "e", "f"}));
    EXPECT_EQ(user.ReservedIntegers, (std::array<int32_t, 3>{-1, 3, 4}));
    EXPECT_EQ(user.Skill, 2);
    EXPECT_EQ(user.Version, "2.13");
    EXPECT_EQ(user.ComputerName, "box");
    EXPECT_EQ(user.OwnerName, "Ann Smith");
}

TEST(PeerDatagram, InfoOddValues) {
    User user;
    ParseInfo("\tBQ\tHabc\tA" + std::string(300, 'n'), user);
    EXPECT_EQ(user.Status, PeerStatus::Unknown);
    EXPECT_EQ(user.Skill, 0);
    EXPECT_EQ(user.Name, std::string(255, 'n'));

    for (auto [value, status] : {std::pair{"R", PeerStatus::Ready},
                                 {"P", PeerStatus::Playing},
                                 {"", PeerStatus::Unknown},
                                 {"r", PeerStatus::Unknown}}) {
        User u;
        ParseInfo(std::string("\tB") + value, u);
        EXPECT_EQ(u.Status, status) << value;
    }
}

TEST(PeerDatagram, ChallengeNeedsFourTabsAndKeepsTheRestAsMap) {
    auto c = ParseChallenge("Player\tArena\t192.168.0.5\t27910\tq2dm1\twith\ttabs");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->Challenger, "Player");
    EXPECT_EQ(c->HostName, "Arena");
    EXPECT_EQ(c->Address, "192.168.0.5");
    EXPECT_EQ(c->Port, "27910");
    EXPECT_EQ(c->MapName, "q2dm1\twith\ttabs");

    auto empty = ParseChallenge("\t\t\t\t");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->Challenger + empty->HostName + empty->Address + empty->Port + empty->MapName, "");

    EXPECT_FALSE(ParseChallenge("Player\tArena\t192.168.0.5\t27910"));
}

}  // namespace
}  // namespace torvane
