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

    const std::vector<std::string> opens = {
        "create \\Software\\Torvane",          "create \\Software\\Torvane\\Windows",
        "create \\Software\\Torvane\\Wan1",    "create \\Software\\Torvane\\Wan2",
        "create \\Software\\Torvane\\Wan3",    "create \\Software\\Torvane\\Wan4",
        "create \\Software\\Torvane\\NewHost", "create \\Software\\Torvane\\NewPlayer",
        "create \\Software\\Torvane\\NotFull", "create \\Software\\Torvane\\NewMap"};
    EXPECT_EQ(opens, store.log);

    std::vector<std::string> expected = {
        "Version",       "Broadcast",     "BCInterval",     "Port",          "Retries",       "Quake2Command",
        "Quake2BaseDir", "ShowHints",     "StartMinimized", "NoSingle",      "ShoutPopUp",    "PlayerName",
        "BusyMessage",   "ReadyMessage",  "PlayingMessage", "Skill",         "MaxChatLines",  "ShoutSound",
        "SuggestSound",  "StartBusy",     "Paranoia",       "AutoStart",     "MessageSound",  "LogFile",
        "LogEnabled",    "MainStayOnTop", "UsersStayOnTop", "Port2",         "Port3",         "Port4",
        "Port2Enable",   "Port3Enable",   "Port4Enable",    "MainTop",       "MainLeft",      "UsersTop",
        "UsersLeft",     "UsersWidth",    "UsersHeight",    "UserListWidth", "TopPanelHeight"};
    for (int wan = 0; wan < 4; ++wan) expected.insert(expected.end(), {"Address", "Port", "Enabled"});
    for (int event = 0; event < 4; ++event)
        expected.insert(expected.end(), {"Popup", "Launch", "Play", "Sound"});
    EXPECT_EQ(expected, store.writes);
    EXPECT_EQ(1, store.flushes);
}

TEST(SaveSettings, StoresTypesAsTheLayoutSays) {
    MemoryRegistry store;
    FakeAutostart autostart;
    SaveSettings(NonDefaultSettings(), store, autostart, "/usr/bin/torvane");
    const RegKey& main = store.Data().at(kMainKey);
    EXPECT_EQ(RegValue(std::string("2.13")), main.at("Version"));
    EXPECT_EQ(RegValue(0), main.at("Broadcast"));
    EXPECT_EQ(RegValue(1), main.at("StartBusy"));
    EXPECT_EQ(RegValue(27911), main.at("Port"));
    EXPECT_EQ(RegValue(28002), main.at("Port4"));
    EXPECT_EQ(RegValue(250), main.at("MaxChatLines"));
    EXPECT_EQ(RegValue(std::string("Ranger x")), main.at("PlayerName"));
    // The port of an internet server stays text.
    EXPECT_EQ(RegValue(std::string("27951")), store.Data().at(WanKey(1)).at("Port"));
    EXPECT_EQ(RegValue(1), store.Data().at(EventKey(EventKind::NewPlayer)).at("Play"));
    EXPECT_EQ(0u, main.count("ShoutPlay"));
    EXPECT_EQ(0u, main.count("QCommand"));
}

TEST(SaveSettings, InternetServersStartEmptyAndDisabled) {
    MemoryRegistry store;
    FakeAutostart autostart;
    SaveSettings(Settings(), store, autostart, "/usr/bin/torvane");
    for (size_t i = 0; i < 4; ++i) {
        const RegKey& wan = store.Data().at(WanKey(i));
        EXPECT_EQ(RegValue(std::string()), wan.at("Address"));
        EXPECT_EQ(RegValue(std::string("27910")), wan.at("Port"));
        EXPECT_EQ(RegValue(0), wan.at("Enabled"));
    }
}

TEST(SaveSettings, ABadPortTextStopsTheSaveAfterBCInterval) {
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
    EXPECT_EQ(1u, store.Data().size());
    EXPECT_EQ(RegValue(120), store.Data().at(kMainKey).at("BCInterval"));
    // What was written is kept; autostart is not touched.
    EXPECT_EQ(1, store.flushes);
    EXPECT_EQ(0, autostart.calls);
}

TEST(SaveSettings, EveryNumericTextIsCheckedWhereItIsWritten) {
    struct Case {
        std::string Settings::*field;
        const char* last_written;
    } cases[] = {{&Settings::BCInterval, "Broadcast"},
                 {&Settings::Retries, "Port"},
                 {&Settings::Port2, "UsersStayOnTop"},
                 {&Settings::Port4, "Port3"}};
    for (const auto& c : cases) {
        Settings s;
        s.*c.field = " 12 3";
        RecordingRegistry store;
        FakeAutostart autostart;
        EXPECT_THROW(SaveSettings(s, store, autostart, "/usr/bin/torvane"), EConvertError);
        ASSERT_FALSE(store.writes.empty());
        EXPECT_EQ(c.last_written, store.writes.back());
    }
}

TEST(SaveSettings, AKeyThatDoesNotOpenIsSkipped) {
    RecordingRegistry store;
    store.refused_keys = {kWindowsKey, WanKey(1), EventKey(EventKind::NewHost)};
    FakeAutostart autostart;
    SaveSettings(NonDefaultSettings(), store, autostart, "/usr/bin/torvane");
    EXPECT_EQ(7u, store.Data().size());
    EXPECT_EQ(1u, store.Data().count(WanKey(2)));
    EXPECT_EQ(1u, store.Data().count(EventKey(EventKind::NewMap)));
    EXPECT_EQ(1, autostart.calls);

    // Without the main key nothing is written, but autostart still follows.
    RecordingRegistry refusing;
    refusing.refused_keys = {kMainKey};
    FakeAutostart second;
    SaveSettings(NonDefaultSettings(), refusing, second, "/usr/bin/torvane");
    EXPECT_TRUE(refusing.Data().empty());
    EXPECT_EQ(std::vector<std::string>{"create \\Software\\Torvane"}, refusing.log);
    EXPECT_EQ("/usr/bin/torvane", second.registered.value_or(""));
}

TEST(SaveSettings, AutoStartRegistersOrRemovesTheProgram) {
    Settings s;
    s.AutoStart = true;
    MemoryRegistry store;
    FakeAutostart on;
    SaveSettings(s, store, on, "/opt/torvane/bin/torvane");
    EXPECT_EQ("/opt/torvane/bin/torvane", on.registered.value_or(""));
    EXPECT_FALSE(on.unregistered);

    s.AutoStart = false;
    FakeAutostart off;
    SaveSettings(s, store, off, "/opt/torvane/bin/torvane");
    EXPECT_TRUE(off.unregistered);
    EXPECT_FALSE(off.registered);

    // Without a known program path there is nothing to register.
    s.AutoStart = true;
    FakeAutostart unknown;
    SaveSettings(s, store, unknown, "");
    EXPECT_EQ(0, unknown.calls);
}

TEST(SaveSettings, OverwritesValuesOfAnotherType) {
    MemoryRegistry store(Hive{{kMainKey, {{"Port", std::string("27910")}, {"PlayerName", 3}}}});
    FakeAutostart autostart;
    SaveSettings(Settings(), store, autostart, "/usr/bin/torvane");
    Settings s;
    ASSERT_NO_THROW(LoadSettings(store, s));
    EXPECT_EQ("27910", s.Port);
    EXPECT_EQ("Player", s.PlayerName);
}

}  // namespace
}  // namespace torvane
