// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/retrypause.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

TEST(RetryPause, AFailureHoldsOffTriesForThePauseOnlyAndASuccessEndsIt) {
    RetryPause pause(2000);
    EXPECT_TRUE(pause.MayTry(0));  // nothing failed yet
    pause.Failed(10'000);
    EXPECT_FALSE(pause.MayTry(10'000));
    EXPECT_FALSE(pause.MayTry(11'999));
    EXPECT_TRUE(pause.MayTry(12'000));

    // A try that fails again starts a new pause from its own time.
    pause.Failed(12'000);
    EXPECT_FALSE(pause.MayTry(13'000));
    EXPECT_TRUE(pause.MayTry(14'000));

    // A clock that went back does not hold tries off for ever.
    EXPECT_TRUE(pause.MayTry(5'000));

    pause.Succeeded();
    EXPECT_TRUE(pause.MayTry(12'001));
}

}  // namespace
}  // namespace torvane
