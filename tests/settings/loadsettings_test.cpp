#include <gtest/gtest.h>

#include "settings/settingsio.h"
#include "settings_fakes.h"
#include "settings_samples.h"

namespace torvane {
namespace {

using test::FakeAutostart;
using test::NonDefaultSettings;
using test::RecordingRegistry;

// The store as a save of `s` leaves it.
Hive SavedHive(const Settings& s) {
    MemoryRegistry store;
    FakeAutostart autostart;
    SaveSettings(s, store, autostart, "/usr/bin/torvane");
    return store.Data();
}

std::string LoadError(Hive hive, Settings& s) {
    MemoryRegistry store(std::move(hive));
    try {
        LoadSettings(store, s);
    } catch (const ERegistryException& error) {
        return error.what();
    }
    return "no error";
}

TEST(LoadSettings, WithoutTheMainKeyEverythingKeepsItsDefaultAndNothingIsCreated) {
    RecordingRegistry store(Hive{{"\\Software\\Other", {{"Port", 1}}}});
    Settings s;
    LoadSettings(store, s);
    EXPECT_EQ(SavedHive(Settings()), SavedHive(s));
    EXPECT_EQ(1u, store.Data().size());
    EXPECT_FALSE(store.Modified());
    EXPECT_EQ(std::vector<std::string>{"open \\Software\\Torvane"}, store.log);
}

TEST(LoadSettings, BringsBackEveryStoredValue) {
    const Settings original = NonDefaultSettings();
    const Hive stored = SavedHive(original);
    RecordingRegistry store(stored);
    Settings loaded;
    LoadSettings(store, loaded);
    EXPECT_EQ(stored, SavedHive(loaded));
    EXPECT_EQ("Ranger x", loaded.PlayerName);
    EXPECT_EQ("27911", loaded.Port);
    EXPECT_EQ(515, loaded.Windows.UsersWidth);
    EXPECT_TRUE(loaded.Windows.Placed);
    EXPECT_EQ("/sounds/event3x.wav", loaded.Event(EventKind::NewMap).Sound);
    // A load opens every subkey without creating it, and changes nothing.
    for (const auto& entry : store.log) EXPECT_EQ(0u, entry.rfind("open ", 0)) << entry;
    EXPECT_FALSE(store.Modified());
}

TEST(LoadSettings, NumbersAreShownAsDecimalText) {
    Hive hive = SavedHive(Settings());
    hive[kMainKey]["Port"] = -1;
    hive[kMainKey]["BCInterval"] = 2147483647;
    hive[kMainKey]["Port3"] = 0;
    Settings s;
    MemoryRegistry store(hive);
    LoadSettings(store, s);
    EXPECT_EQ("-1", s.Port);
    EXPECT_EQ("2147483647", s.BCInterval);
    EXPECT_EQ("0", s.Port3);
}

TEST(LoadSettings, Quake2PathIsDeletedAndTheGameValuesKeepTheirDefaults) {
    Hive hive = SavedHive(NonDefaultSettings());
    hive[kMainKey]["Quake2Path"] = std::string("c:\\quake2");
    RecordingRegistry store(hive);
    Settings s;
    LoadSettings(store, s);
    EXPECT_EQ("quake2.exe", s.Quake2Command);
    EXPECT_EQ("e:\\games\\quake2", s.Quake2BaseDir);
    EXPECT_EQ("Ranger x", s.PlayerName);  // the rest loads as usual
    EXPECT_EQ(0u, store.Data().at(kMainKey).count("Quake2Path"));
    EXPECT_EQ(1, store.flushes);
    EXPECT_FALSE(store.Modified());

    // The next save writes the defaults over the old values.
    FakeAutostart autostart;
    SaveSettings(s, store, autostart, "/usr/bin/torvane");
    EXPECT_EQ(RegValue(std::string("quake2.exe")), store.Data().at(kMainKey).at("Quake2Command"));
    EXPECT_EQ(RegValue(std::string("e:\\games\\quake2")), store.Data().at(kMainKey).at("Quake2BaseDir"));
}

TEST(LoadSettings, WithoutQuake2PathMissingGameValuesReadAsEmpty) {
    Hive hive = SavedHive(Settings());
    hive[kMainKey].erase("Quake2Command");
    Settings s;
    MemoryRegistry store(hive);
    LoadSettings(store, s);
    EXPECT_EQ("", s.Quake2Command);
    EXPECT_EQ("e:\\games\\quake2", s.Quake2BaseDir);
}

TEST(LoadSettings, MissingOptionalValuesKeepTheirDefaults) {
    const Hive full = SavedHive(NonDefaultSettings());
    const char* optional[] = {
        "ShowHints",     "StartMinimized", "NoSingle",  "ShoutPopUp",   "PlayerName",   "BusyMessage",
        "ReadyMessage",  "PlayingMessage", "Skill",     "ShoutSound",   "SuggestSound", "MaxChatLines",
        "StartBusy",     "Paranoia",       "AutoStart", "MessageSound", "LogFile",      "LogEnabled",
        "MainStayOnTop", "UsersStayOnTop", "Port2",     "Port3",        "Port4",        "Port2Enable",
        "Port3Enable",   "Port4Enable"};
    const Hive defaults = SavedHive(Settings());
    for (const char* name : optional) {
        SCOPED_TRACE(name);
        Hive hive = full;
        hive[kMainKey].erase(name);
        MemoryRegistry store(hive);
        Settings s;
        ASSERT_NO_THROW(LoadSettings(store, s));
        Hive reloaded = SavedHive(s);
        // Exactly this value is back at its default; the others are loaded.
        EXPECT_EQ(defaults.at(kMainKey).at(name), reloaded[kMainKey][name]);
        reloaded[kMainKey][name] = full.at(kMainKey).at(name);
        EXPECT_EQ(full, reloaded);
    }
}

TEST(LoadSettings, OptionalWindowValuesMayBeMissing) {
    Hive hive = SavedHive(NonDefaultSettings());
    hive[kWindowsKey].erase("UserListWidth");
    hive[kWindowsKey].erase("TopPanelHeight");
    MemoryRegistry store(hive);
    Settings s;
    LoadSettings(store, s);
    EXPECT_EQ(515, s.Windows.UsersWidth);
    EXPECT_EQ(WindowGeometry().UserListWidth, s.Windows.UserListWidth);
    EXPECT_EQ(WindowGeometry().TopPanelHeight, s.Windows.TopPanelHeight);
}

TEST(LoadSettings, MissingSubkeysKeepTheirDefaultsAndAreNotCreated) {
    Hive hive = SavedHive(NonDefaultSettings());
    hive.erase(EventKey(EventKind::NewMap));
    hive.erase(WanKey(2));
    hive.erase(kWindowsKey);
    RecordingRegistry store(hive);
    Settings s;
    LoadSettings(store, s);
    EXPECT_TRUE(s.Event(EventKind::NotFull).Popup);
    EXPECT_FALSE(s.Event(EventKind::NewMap).Popup);
    EXPECT_FALSE(s.Event(EventKind::NewMap).Play);
    EXPECT_EQ("", s.Event(EventKind::NewMap).Sound);
    EXPECT_EQ("server4.x.example", s.Wan[3].Address);
    EXPECT_EQ("", s.Wan[2].Address);
    EXPECT_EQ("27910", s.Wan[2].Port);
    EXPECT_FALSE(s.Wan[2].Enabled);
    EXPECT_FALSE(s.Windows.Placed);
    EXPECT_EQ(0u, store.Data().count(EventKey(EventKind::NewMap)));
    EXPECT_EQ(0u, store.Data().count(WanKey(2)));
    EXPECT_EQ(0u, store.Data().count(kWindowsKey));
}

TEST(LoadSettings, RadioIndexesAreClampedToTheItems) {
    struct Case {
        int32_t stored, selected;
    } cases[] = {{7, 2}, {3, 2}, {2, 2}, {0, 0}, {-1, -1}, {-5, -1}, {INT32_MIN, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        Hive hive = SavedHive(Settings());
        hive[kMainKey]["Skill"] = c.stored;
        hive[kMainKey]["Paranoia"] = c.stored;
        MemoryRegistry store(hive);
        Settings s;
        LoadSettings(store, s);
        EXPECT_EQ(c.selected, s.Skill);
        EXPECT_EQ(c.selected, s.Paranoia);
        // What is selected is what the next save stores.
        const Hive saved = SavedHive(s);
        EXPECT_EQ(RegValue(c.selected), saved.at(kMainKey).at("Skill"));
        EXPECT_EQ(RegValue(c.selected), saved.at(kMainKey).at("Paranoia"));
    }
    Settings s;
    s.Skill = 7;
    MemoryRegistry store(SavedHive(s));
    Settings loaded;
    LoadSettings(store, loaded);
    EXPECT_STREQ("Invincible", kSkillItems.at(static_cast<size_t>(loaded.Skill)));
}

TEST(LoadSettings, ChatLinesStayWithinTheUpDownLimits) {
    for (auto [stored, shown] : {std::pair{3, 5}, {5000, 1000}, {42, 42}}) {
        Hive hive = SavedHive(Settings());
        hive[kMainKey]["MaxChatLines"] = stored;
        MemoryRegistry store(hive);
        Settings s;
        LoadSettings(store, s);
        EXPECT_EQ(shown, s.MaxChatLines);
    }
}

TEST(LoadSettings, EachStayOnTopValueComesBackIntoItsOwnBox) {
    for (bool main : {false, true}) {
        Settings saved;
        saved.MainStayOnTop = main;
        saved.UsersStayOnTop = !main;
        MemoryRegistry store(SavedHive(saved));
        Settings s;
        LoadSettings(store, s);
        EXPECT_EQ(main, s.MainStayOnTop);
        EXPECT_EQ(!main, s.UsersStayOnTop);
    }
}

TEST(LoadSettings, AnyNonZeroNumberReadsAsTrue) {
    Hive hive = SavedHive(Settings());
    hive[kMainKey]["Broadcast"] = 0;
    hive[kMainKey]["StartBusy"] = -7;
    hive[EventKey(EventKind::NewHost)]["Launch"] = 2;
    MemoryRegistry store(hive);
    Settings s;
    LoadSettings(store, s);
    EXPECT_FALSE(s.Broadcast);
    EXPECT_TRUE(s.StartBusy);
    EXPECT_TRUE(s.Event(EventKind::NewHost).Launch);
}

TEST(LoadSettings, AMissingRequiredValueStopsTheLoadAfterTheValuesBeforeIt) {
    Hive hive = SavedHive(NonDefaultSettings());
    hive[kMainKey].erase("Port");
    Settings s;
    EXPECT_EQ("Failed to get data for 'Port'", LoadError(hive, s));
    EXPECT_FALSE(s.Broadcast);
    EXPECT_EQ("120", s.BCInterval);
    EXPECT_EQ("27910", s.Port);
    EXPECT_EQ("5", s.Retries);
    EXPECT_EQ("Player", s.PlayerName);
}

TEST(LoadSettings, AWrongTypeStopsTheLoadAfterTheValuesBeforeIt) {
    Hive hive = SavedHive(NonDefaultSettings());
    hive[kMainKey]["BCInterval"] = std::string("30");
    Settings s;
    EXPECT_EQ("Invalid data type for 'BCInterval'", LoadError(hive, s));
    EXPECT_FALSE(s.Broadcast);
    EXPECT_EQ("30", s.BCInterval);
    EXPECT_EQ("27910", s.Port);

    hive = SavedHive(NonDefaultSettings());
    hive[kMainKey]["PlayerName"] = 5;  // optional values are checked too
    s = Settings();
    EXPECT_EQ("Invalid data type for 'PlayerName'", LoadError(hive, s));
    EXPECT_FALSE(s.NoSingle);
    EXPECT_EQ("Player", s.PlayerName);
    EXPECT_EQ("Sorry, reality calls", s.BusyMessage);
}

TEST(LoadSettings, RequiredValuesOfSubkeys) {
    Hive hive = SavedHive(NonDefaultSettings());
    hive[WanKey(1)].erase("Enabled");
    Settings s;
    EXPECT_EQ("Failed to get data for 'Enabled'", LoadError(hive, s));
    EXPECT_TRUE(s.Wan[0].Enabled);
    EXPECT_EQ("server2.x.example", s.Wan[1].Address);
    EXPECT_FALSE(s.Wan[1].Enabled);
    EXPECT_EQ("", s.Wan[2].Address);

    hive = SavedHive(NonDefaultSettings());
    hive[kWindowsKey].erase("UsersHeight");
    s = Settings();
    EXPECT_EQ("Failed to get data for 'UsersHeight'", LoadError(hive, s));
    EXPECT_EQ(515, s.Windows.UsersWidth);

    hive = SavedHive(NonDefaultSettings());
    hive[EventKey(EventKind::NotFull)]["Sound"] = 1;
    s = Settings();
    EXPECT_EQ("Invalid data type for 'Sound'", LoadError(hive, s));
    EXPECT_TRUE(s.Event(EventKind::NotFull).Play);
    EXPECT_EQ("", s.Event(EventKind::NotFull).Sound);
    EXPECT_FALSE(s.Event(EventKind::NewMap).Popup);

    // Text values of subkeys read as empty when missing.
    hive = SavedHive(NonDefaultSettings());
    hive[WanKey(0)].erase("Address");
    hive[WanKey(0)].erase("Port");
    hive[EventKey(EventKind::NewHost)].erase("Sound");
    s = Settings();
    EXPECT_EQ("no error", LoadError(hive, s));
    EXPECT_EQ("", s.Wan[0].Address);
    EXPECT_EQ("", s.Wan[0].Port);
    EXPECT_EQ("", s.Event(EventKind::NewHost).Sound);
}

TEST(LoadSettings, TheQuake2PathDeletionLastsWhenTheLoadFailsLater) {
    Hive hive = SavedHive(Settings());
    hive[kMainKey]["Quake2Path"] = std::string("c:\\quake2");
    hive[kMainKey]["ShowHints"] = std::string("yes");
    RecordingRegistry store(hive);
    Settings s;
    EXPECT_THROW(LoadSettings(store, s), ERegistryException);
    EXPECT_EQ(0u, store.Data().at(kMainKey).count("Quake2Path"));
    EXPECT_EQ(1, store.flushes);
}

}  // namespace
}  // namespace torvane
