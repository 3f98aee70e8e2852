// SPDX-License-Identifier: GPL-2.0-or-later
#include "notify/eventsound.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "support/fake_services.h"

namespace torvane {
namespace {

class FakeSoundOutput : public SoundOutput {
public:
    std::vector<std::pair<std::string, bool>> played;  // path, waited
    bool accept = true;
    bool PlayFile(const std::string& path, bool wait) override {
        played.emplace_back(path, wait);
        return accept;
    }
};

using Played = std::vector<std::pair<std::string, bool>>;

TEST(EventSound, QuietDuringTheFirstSearchAndWhileBusy) {
    FakeSoundOutput output;
    TPlayerWave player(output);
    player.Async = true;
    test::Journal journal;
    test::FakeBusy busy(journal);
    bool first_search = true;
    EventSound sound(
        busy, [&] { return first_search; }, player);

    sound.PlayEventSound("/snd/newhost.wav");
    first_search = false;
    busy.busy = true;
    sound.PlayEventSound("/snd/message.wav");
    EXPECT_TRUE(output.played.empty());
    EXPECT_EQ(player.WaveName, "");

    busy.busy = false;
    sound.PlayEventSound("/snd/message.wav");
    EXPECT_EQ(output.played, (Played{{"/snd/message.wav", false}}));
    EXPECT_EQ(player.WaveName, "/snd/message.wav");
}

TEST(TPlayerWave, PlaysWaveFilesOnceAsyncOrToTheEndAndReportsTheAnswer) {
    FakeSoundOutput output;
    TPlayerWave player(output);
    // Highlighting files one after another in the sound dialog plays each.
    player.Async = true;
    for (const char* file : {"/a.wav", "/b.wav"}) {
        player.WaveName = file;
        EXPECT_TRUE(player.Play());
    }
    player.Async = false;
    output.accept = false;
    EXPECT_FALSE(player.Play());
    // Looping, resources and images in memory are not supported here.
    player.Loop = true;
    EXPECT_FALSE(player.Play());
    player.Loop = false;
    player.WhereWave = TWhereWave::wwInRAM;
    EXPECT_FALSE(player.Play());
    EXPECT_EQ(output.played, (Played{{"/a.wav", false}, {"/b.wav", false}, {"/b.wav", true}}));
}

}  // namespace
}  // namespace torvane
