// SPDX-License-Identifier: GPL-2.0-or-later
#include "peers/suggest.h"

#include <gtest/gtest.h>

#include "peer_fakes.h"

namespace torvane {
namespace {

using fakes::PeerRig;

class ChallengeDialogTest : public testing::Test {
protected:
    void SetUp() override {
        rig.Challenge("TVNSUGGAnn\tArena\t192.168.0.5\t27910\tq2dm1");
        ASSERT_TRUE(rig.suggest_view.visible);
        rig.journal.clear();
    }

    PeerRig rig;
    TSuggestForm& dialog = rig.protocol.SuggestForm();
};

TEST_F(ChallengeDialogTest, AcceptLaunchesAFreshRecordWithOnlyAddressAndPort) {
    dialog.BitBtn1Click();
    ASSERT_EQ(rig.services.game.launched.size(), 1u);
    const TQuakeServer& launched = rig.services.game.launched[0];
    EXPECT_EQ(launched.Address, "192.168.0.5");
    EXPECT_EQ(launched.Port, "27910");
    EXPECT_EQ(launched.HostName, "");
    EXPECT_EQ(launched.MapName, "");
    EXPECT_EQ(launched.MaxClients, 0);
    EXPECT_FALSE(launched.FragLimit);
    EXPECT_FALSE(rig.suggest_view.visible);
}

TEST_F(ChallengeDialogTest, IgnoreOnlyHides) {
    dialog.BitBtn2Click();
    EXPECT_FALSE(rig.suggest_view.visible);
    EXPECT_TRUE(rig.journal.empty());
    EXPECT_TRUE(rig.sender.sent.empty());
}

TEST_F(ChallengeDialogTest, BusyTicksTheBusyBoxOnce) {
    dialog.BitBtn3Click();
    EXPECT_EQ(rig.journal, fakes::Journal{"busy on"});
    EXPECT_TRUE(rig.services.busy.busy);
    EXPECT_FALSE(rig.suggest_view.visible);

    // Already busy: only the dialog closes.
    rig.journal.clear();
    rig.suggest_view.visible = true;
    dialog.BitBtn3Click();
    EXPECT_TRUE(rig.journal.empty());
    EXPECT_FALSE(rig.suggest_view.visible);
    // Nothing is ever sent back to the challenger.
    EXPECT_TRUE(rig.sender.sent.empty());
}

}  // namespace
}  // namespace torvane
