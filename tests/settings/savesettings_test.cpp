// SPDX-License-Identifier: GPL-2.0-or-later
#include <gtest/gtest.h>

#include "platform/convert.h"
#include "settings/settingsio.h"
#include "settings_fakes.h"
#include "settings_samples.h"

namespace torvane {
namespace {

using test::FakeAutostart;
using test::NonDefaultSettings;
using test::RecordingRegistry;

TEST(SaveSettings, WritesEveryKeyAndValueInOrder) {
    RecordingRegistry store;
    FakeAutostart autostart;
    SaveSettings(Settings(), store, autostart, "/usr/bin/torvane");

    EXPECT_EQ(test::EveryKeyOpened("create"), store.log);

    std::vector<std::string> expected = {"Version",
                                         "Broadcast",
                                         "BCInterval",
                                         "Port",
                                         "Retries",
                                         "Quake2Command",
                                         "Quake2BaseDir",
                                         "ShowHints",
                                         "StartMinimized",
                                         "NoSingle",
                                         "ShoutPopUp",
                                         "PlayerName",
                                         "BusyMessage",
                                         "ReadyMessage",
                                         "PlayingMessage",
                                         "Skill",
                                         "MaxChatLines",
                                         "ShoutSound",
                                         "SuggestSound",
                                         "StartBusy",
                                         "Paranoia",
                                         "AutoStart",
                                         "MessageSound",
                                         "LogFile",
                                         "LogEnabled",
                                         "MainStayOnTop",
                                         "UsersStayOnTop",
                                         "Port2",
                                         "Port3",
                                         "Port4",
                                         "Port2Enable",
                                         "Port3Enable",
                                         "Port4Enable",
                                         "Buddies",
                                         "Masters",
                                         "Favorites",
                                         "QueryRate",
                                         "MainTop",
                                         "MainLeft",
                                         "UsersTop",
                                         "UsersLeft",
                                         "UsersWidth",
                                         "UsersHeight",
                                         "UserListWidth",
                                         "TopPanelHeight",
                                         "MainWidth",
                                         "MainHeight",
                                         "MainMaximized",
                                         "HostListWidth",
                                         "HostColumnWidths",
                                         "PlayerColumnWidths",
                                         "HostSortColumn",
                                         "HostSortDescending",
                                         "HostBuddiesFirst",
                                         "PlayerSortColumn",
                                         "PlayerSortDescending",
                                         "ShowMasterListed"};
    for (int wan = 0; wan < 4; ++wan) expected.insert(expected.end(), {"Address", "Port", "Enabled"});
    for (int event = 0; event < 4; ++event)
        expected.insert(expected.end(), {"Popup", "Launch", "Play", "Sound"});
    EXPECT_EQ(expected, store.writes);
    EXPECT_EQ(1, store.flushes);

    // Internet servers start empty and disabled; their port is text.
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ((RegKey{{"Address", std::string()}, {"Port", std::string("27910")}, {"Enabled", 0}}),
                  store.Data().at(WanKey(i)));
    EXPECT_EQ(RegValue(std::string("2.13")), store.Data().at(kMainKey).at("Version"));
    EXPECT_EQ(RegValue(27910), store.Data().at(kMainKey).at("Port"));
    // Nothing beyond the LAN is asked until the user says so.
    EXPECT_EQ(RegValue(std::string()), store.Data().at(kMainKey).at("Masters"));
    EXPECT_EQ(RegValue(std::string()), store.Data().at(kMainKey).at("Favorites"));
    EXPECT_EQ(RegValue(1000), store.Data().at(kMainKey).at("QueryRate"));
}

TEST(SaveSettings, ABadNumberTextStopsTheSaveWhereItIsWritten) {
    Settings s = NonDefaultSettings();
    s.Port = "27910x";
    RecordingRegistry store;
    FakeAutostart autostart;
    try {
        SaveSettings(s, store, autostart, "/usr/bin/torvane");
        FAIL() << "the save went through";
    } catch (const EConvertError& error) {
        EXPECT_STREQ("'27910x' is not a valid integer value", error.what());
    }
    EXPECT_EQ((std::vector<std::string>{"Version", "Broadcast", "BCInterval"}), store.writes);
    EXPECT_EQ(RegValue(120), store.Data().at(kMainKey).at("BCInterval"));
    // What was written is kept; autostart is not touched.
    EXPECT_EQ(1, store.flushes);
    EXPECT_EQ(0, autostart.calls);

    const std::pair<std::string Settings::*, const char*> others[] = {
        {&Settings::BCInterval, "Broadcast"}, {&Settings::Retries, "Port"}, {&Settings::Port4, "Port3"}};
    for (const auto& [field, last_written] : others) {
        Settings bad;
        bad.*field = " 12 3";
        RecordingRegistry partial;
        EXPECT_THROW(SaveSettings(bad, partial, autostart, "/usr/bin/torvane"), EConvertError);
        EXPECT_EQ(last_written, partial.writes.back());
    }
}

TEST(SaveSettings, AKeyThatDoesNotOpenIsSkipped) {
    RecordingRegistry store;
    store.refused_keys = {kWindowsKey, WanKey(1), EventKey(EventKind::NewHost)};
    FakeAutostart autostart;
    SaveSettings(NonDefaultSettings(), store, autostart, "/usr/bin/torvane");
    EXPECT_EQ(7u, store.Data().size());
    EXPECT_EQ(1u, store.Data().count(EventKey(EventKind::NewMap)));

    // Without the main key nothing is written, but autostart still follows.
    RecordingRegistry refusing;
    refusing.refused_keys = {kMainKey};
    FakeAutostart second;
    SaveSettings(NonDefaultSettings(), refusing, second, "/usr/bin/torvane");
    EXPECT_TRUE(refusing.Data().empty());
    EXPECT_EQ("/usr/bin/torvane", second.registered.value_or(""));
}

TEST(SaveSettings, AutoStartRegistersOrRemovesTheProgram) {
    Settings s;
    s.AutoStart = true;
    MemoryRegistry store;
    FakeAutostart on;
    SaveSettings(s, store, on, "/opt/torvane/bin/torvane");
    EXPECT_EQ("/opt/torvane/bin/torvane", on.registered.value_or(""));
    EXPECT_EQ(1, on.calls);

    s.AutoStart = false;
    FakeAutostart off;
    SaveSettings(s, store, off, "/opt/torvane/bin/torvane");
    EXPECT_TRUE(off.unregistered);
    EXPECT_EQ(1, off.calls);

    // Without a known program path there is nothing to register.
    s.AutoStart = true;
    FakeAutostart unknown;
    SaveSettings(s, store, unknown, "");
    EXPECT_EQ(0, unknown.calls);
}

}  // namespace
}  // namespace torvane
