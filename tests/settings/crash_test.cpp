// SPDX-License-Identifier: GPL-2.0-or-later
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <vector>

#include "platform/uniquefd.h"
#include "settings/fileregistry.h"
#include "settings/settingsfile.h"
#include "settings/settingsio.h"
#include "settings_fakes.h"
#include "settings_samples.h"
#include "support/tempdir.h"

namespace torvane {
namespace {

using test::FakeAutostart;
using test::NonDefaultSettings;

void SaveTo(const std::string& path, const Settings& s) {
    FileRegistry store(path);
    FakeAutostart autostart;
    SaveSettings(s, store, autostart, "");
}

Hive HiveOf(const Settings& s) {
    MemoryRegistry store;
    FakeAutostart autostart;
    SaveSettings(s, store, autostart, "");
    return store.Data();
}

// Saves `first` and `second` in turn until killed.
[[noreturn]] void SaveForever(const std::string& path, const Settings& first, const Settings& second) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    for (int round = 0; round < 100000; ++round) SaveTo(path, round % 2 == 0 ? second : first);
    ::_exit(0);
}

// The copies a killed save left behind: every file beside the settings file.
std::vector<std::filesystem::path> StrayFiles(const std::filesystem::path& dir) {
    std::vector<std::filesystem::path> strays;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.path().filename() != "settings.json") strays.push_back(entry.path());
    return strays;
}

TEST(SettingsFileCrash, ASaveKilledAtAnyMomentLeavesTheOldOrTheNewFile) {
    test::TempDir dir;
    const std::filesystem::path settings_dir = dir.Path() / "torvane";
    const std::string path = (settings_dir / "settings.json").string();
    // The two versions differ in every value and in the length of the texts.
    const Settings first = NonDefaultSettings("first");
    const Settings second = NonDefaultSettings("the second, longer one");
    const Hive first_hive = HiveOf(first), second_hive = HiveOf(second);
    const auto old_or_new = [&](const std::filesystem::path& file) {
        const Hive hive = ParseSettingsFile(test::ReadFile(file), file.string());
        return hive == first_hive || hive == second_hive;
    };

    SaveTo(path, first);
    const auto start = std::chrono::steady_clock::now();
    SaveTo(path, first);
    const auto save_time =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start)
            .count();

    const unsigned seed = std::random_device()();
    std::mt19937 random(seed);
    // Kill anywhere from before the first save to a few saves in.
    std::uniform_int_distribution<long> delay_us(0, 4 * save_time + 500);
    int found_first = 0, found_second = 0, strays_seen = 0;
    for (int kill = 0; kill < 200; ++kill) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) SaveForever(path, first, second);
        ::usleep(static_cast<useconds_t>(delay_us(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(child, ::waitpid(child, &status, 0));
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child failed with status " << status;

        const std::string text = test::ReadFile(path);
        Hive hive;
        ASSERT_NO_THROW(hive = ParseSettingsFile(text, path)) << "after kill " << kill << ", seed " << seed;
        const bool is_first = hive == first_hive, is_second = hive == second_hive;
        ASSERT_TRUE(is_first || is_second) << "after kill " << kill << ", seed " << seed << ":\n" << text;
        found_first += is_first;
        found_second += is_second;

        // A kill between naming the temporary file and renaming it leaves
        // that one complete copy; the next save removes it, so copies never
        // pile up however many saves die.
        const auto strays = StrayFiles(settings_dir);
        ASSERT_LE(strays.size(), 1u) << "after kill " << kill << ", seed " << seed;
        for (const auto& stray : strays) {
            ASSERT_NO_THROW(EXPECT_TRUE(old_or_new(stray))) << stray;
            ++strays_seen;
        }
    }
    SaveTo(path, second);
    EXPECT_TRUE(StrayFiles(settings_dir).empty());
    std::printf("one save %ld us; after 200 kills: %d first, %d second, %d stray copies removed, seed %u\n",
                static_cast<long>(save_time), found_first, found_second, strays_seen, seed);
}

TEST(SettingsFileCrash, ASaveNeverRemovesTheTemporaryFileOfAWriterStillAtWork) {
    test::TempDir dir;
    const std::filesystem::path settings_dir = dir.Path() / "torvane";
    const std::string path = (settings_dir / "settings.json").string();
    SaveTo(path, NonDefaultSettings("first"));
    // A named temporary file as a writer holds it between naming and renaming.
    const std::filesystem::path busy = settings_dir / "settings.json.1.0.tmp";
    test::WriteFile(busy, "{}");
    UniqueFd held(::open(busy.c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_TRUE(held.Valid());
    ASSERT_EQ(0, ::flock(held.Get(), LOCK_EX));
    const std::filesystem::path abandoned = settings_dir / "settings.json.2.0.tmp";
    test::WriteFile(abandoned, "{}");
    const std::filesystem::path foreign = settings_dir / "settings.json.notes.tmp";
    test::WriteFile(foreign, "mine");

    SaveTo(path, NonDefaultSettings("second"));
    EXPECT_TRUE(std::filesystem::exists(busy));
    EXPECT_FALSE(std::filesystem::exists(abandoned));
    EXPECT_TRUE(std::filesystem::exists(foreign));  // not a name the store gives
}

}  // namespace
}  // namespace torvane
