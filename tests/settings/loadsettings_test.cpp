// SPDX-License-Identifier: GPL-2.0-or-later
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

Settings Loaded(const Hive& hive) {
    MemoryRegistry store(hive);
    Settings s;
    LoadSettings(store, s);
    return s;
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
    EXPECT_EQ(std::vector<std::string>{"open \\Software\\Torvane"}, store.log);
}

TEST(LoadSettings, BringsBackEveryStoredValueWithoutCreatingOrChangingAnything) {
    const Hive stored = SavedHive(NonDefaultSettings());
    RecordingRegistry store(stored);
    Settings loaded;
    LoadSettings(store, loaded);
    EXPECT_EQ(stored, SavedHive(loaded));
    EXPECT_EQ("27911", loaded.Port);
    EXPECT_TRUE(loaded.Windows.Placed);
    for (const auto& entry : store.log) EXPECT_EQ(0u, entry.rfind("open ", 0)) << entry;
    EXPECT_FALSE(store.Modified());

    // Numbers are shown as decimal text; any non-zero number is true.
    Hive odd = stored;
    odd[kMainKey]["Port"] = -1;
    odd[kMainKey]["StartBusy"] = -7;
    odd[kMainKey]["Broadcast"] = 2;
    const Settings s = Loaded(odd);
    EXPECT_EQ("-1", s.Port);
    EXPECT_TRUE(s.StartBusy);
    EXPECT_TRUE(s.Broadcast);
}

// The order decides which values are already applied when a load stops.
TEST(LoadSettings, ReadsEveryKeyAndValueInOrder) {
    RecordingRegistry store(SavedHive(NonDefaultSettings()));
    Settings s;
    LoadSettings(store, s);

    EXPECT_EQ(test::EveryKeyOpened("open"), store.log);

    std::vector<std::string> expected = {"Broadcast",
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
                                         "ShoutSound",
                                         "SuggestSound",
                                         "MaxChatLines",
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
    EXPECT_EQ(expected, store.reads);
}

TEST(LoadSettings, Quake2PathIsDeletedAndTheGameValuesGoBackToTheirDefaults) {
    Hive hive = SavedHive(NonDefaultSettings());
    hive[kMainKey]["Quake2Path"] = std::string("c:\\quake2");
    RecordingRegistry store(hive);
    // Even over values that a record already held.
    Settings s = NonDefaultSettings();
    LoadSettings(store, s);
    EXPECT_EQ("quake2", s.Quake2Command);
    EXPECT_EQ("/usr/share/games/quake2", s.Quake2BaseDir);
    EXPECT_EQ("Ranger x", s.PlayerName);
    EXPECT_EQ(0u, store.Data().at(kMainKey).count("Quake2Path"));
    EXPECT_EQ(1, store.flushes);
    // The next save writes the defaults over the old values.
    FakeAutostart autostart;
    SaveSettings(s, store, autostart, "/usr/bin/torvane");
    EXPECT_EQ(RegValue(std::string("/usr/share/games/quake2")),
              store.Data().at(kMainKey).at("Quake2BaseDir"));

    // The deletion lasts even when the load fails further on.
    hive[kMainKey]["ShowHints"] = std::string("yes");
    RecordingRegistry failing(hive);
    EXPECT_THROW(LoadSettings(failing, s), ERegistryException);
    EXPECT_EQ(0u, failing.Data().at(kMainKey).count("Quake2Path"));
    EXPECT_EQ(1, failing.flushes);
}

TEST(LoadSettings, MissingOptionalValuesKeepTheirDefaults) {
    const Hive full = SavedHive(NonDefaultSettings());
    const Hive defaults = SavedHive(Settings());
    const std::pair<const char*, const char*> optional[] = {{kMainKey, "ShowHints"},
                                                            {kMainKey, "StartMinimized"},
                                                            {kMainKey, "NoSingle"},
                                                            {kMainKey, "ShoutPopUp"},
                                                            {kMainKey, "PlayerName"},
                                                            {kMainKey, "BusyMessage"},
                                                            {kMainKey, "ReadyMessage"},
                                                            {kMainKey, "PlayingMessage"},
                                                            {kMainKey, "Skill"},
                                                            {kMainKey, "ShoutSound"},
                                                            {kMainKey, "SuggestSound"},
                                                            {kMainKey, "MaxChatLines"},
                                                            {kMainKey, "StartBusy"},
                                                            {kMainKey, "Paranoia"},
                                                            {kMainKey, "AutoStart"},
                                                            {kMainKey, "MessageSound"},
                                                            {kMainKey, "LogFile"},
                                                            {kMainKey, "LogEnabled"},
                                                            {kMainKey, "MainStayOnTop"},
                                                            {kMainKey, "UsersStayOnTop"},
                                                            {kMainKey, "Port2"},
                                                            {kMainKey, "Port3"},
                                                            {kMainKey, "Port4"},
                                                            {kMainKey, "Port2Enable"},
                                                            {kMainKey, "Port3Enable"},
                                                            {kMainKey, "Port4Enable"},
                                                            {kMainKey, "Buddies"},
                                                            {kMainKey, "Masters"},
                                                            {kMainKey, "Favorites"},
                                                            {kMainKey, "QueryRate"},
                                                            {kWindowsKey, "UserListWidth"},
                                                            {kWindowsKey, "TopPanelHeight"},
                                                            {kWindowsKey, "MainWidth"},
                                                            {kWindowsKey, "MainHeight"},
                                                            {kWindowsKey, "MainMaximized"},
                                                            {kWindowsKey, "HostListWidth"},
                                                            {kWindowsKey, "HostColumnWidths"},
                                                            {kWindowsKey, "PlayerColumnWidths"},
                                                            {kWindowsKey, "HostSortColumn"},
                                                            {kWindowsKey, "HostSortDescending"},
                                                            {kWindowsKey, "HostBuddiesFirst"},
                                                            {kWindowsKey, "PlayerSortColumn"},
                                                            {kWindowsKey, "PlayerSortDescending"},
                                                            {kWindowsKey, "ShowMasterListed"}};
    for (const auto& [key, name] : optional) {
        SCOPED_TRACE(name);
        Hive hive = full;
        hive[key].erase(name);
        Settings s;
        ASSERT_EQ("no error", LoadError(hive, s));
        // Exactly this value is back at its default; the others are loaded.
        Hive reloaded = SavedHive(s);
        EXPECT_EQ(defaults.at(key).at(name), reloaded[key][name]);
        reloaded[key][name] = full.at(key).at(name);
        EXPECT_EQ(full, reloaded);
    }
}

TEST(LoadSettings, MissingSubkeysKeepTheirDefaultsAndAreNotCreated) {
    Hive hive = SavedHive(NonDefaultSettings());
    for (const auto& key : {EventKey(EventKind::NewMap), WanKey(2), std::string(kWindowsKey)})
        hive.erase(key);
    MemoryRegistry store(hive);
    Settings s;
    LoadSettings(store, s);
    EXPECT_EQ(hive, store.Data());
    EXPECT_TRUE(s.Event(EventKind::NotFull).Popup);
    EXPECT_FALSE(s.Event(EventKind::NewMap).Popup);
    EXPECT_EQ("", s.Event(EventKind::NewMap).Sound);
    EXPECT_EQ("server4.x.example", s.Wan[3].Address);
    EXPECT_EQ("", s.Wan[2].Address);
    EXPECT_FALSE(s.Wan[2].Enabled);
    EXPECT_FALSE(s.Windows.Placed);
}

TEST(LoadSettings, RadioIndexesAndChatLinesAreKeptWithinTheirControls) {
    const std::pair<int32_t, int32_t> radio[] = {{7, 2},   {3, 2},   {2, 2},         {0, 0},
                                                 {-1, -1}, {-5, -1}, {INT32_MIN, -1}};
    for (auto [stored, selected] : radio) {
        SCOPED_TRACE(stored);
        Hive hive = SavedHive(Settings());
        hive[kMainKey]["Skill"] = hive[kMainKey]["Paranoia"] = stored;
        const Settings s = Loaded(hive);
        EXPECT_EQ(selected, s.Skill);
        EXPECT_EQ(selected, s.Paranoia);
        // What is selected is what the next save stores.
        EXPECT_EQ(RegValue(selected), SavedHive(s).at(kMainKey).at("Skill"));
    }
    for (auto [stored, shown] : {std::pair{3, 5}, {5000, 1000}, {42, 42}}) {
        Hive hive = SavedHive(Settings());
        hive[kMainKey]["MaxChatLines"] = stored;
        EXPECT_EQ(shown, Loaded(hive).MaxChatLines);
    }
}

TEST(LoadSettings, EachStayOnTopValueComesBackIntoItsOwnBox) {
    for (bool main : {false, true}) {
        Settings saved;
        saved.MainStayOnTop = main;
        saved.UsersStayOnTop = !main;
        const Settings s = Loaded(SavedHive(saved));
        EXPECT_EQ(main, s.MainStayOnTop);
        EXPECT_EQ(!main, s.UsersStayOnTop);
    }
}

// Every value a file may lack, of every key: each keeps its default and the
// load reads all the others.
TEST(LoadSettings, AMissingValueOfAnyKeyKeepsItsDefaultAndTheRestIsRead) {
    const Settings stored = NonDefaultSettings();
    const Hive full = SavedHive(stored);
    const Settings defaults;
    int checked = 0;
    for (const auto& [key, values] : full) {
        for (const auto& [name, value] : values) {
            if (name == "Version") continue;
            Hive hive = full;
            hive[key].erase(name);
            Settings s;
            ASSERT_EQ("no error", LoadError(hive, s)) << key << " " << name;
            // Back in the store, the value missing is its default and every
            // other one is as stored.
            Hive expected = full;
            expected[key][name] = SavedHive(defaults).at(key).at(name);
            EXPECT_EQ(SavedHive(s), expected) << key << " " << name;
            ++checked;
        }
    }
    EXPECT_GE(checked, 32 + 8 + 4 * 3 + 4 * 4);  // values are added, never removed
}

// A file holding one value, as a user may write by hand: the rest are the
// defaults, and the next save writes the whole layout.
TEST(LoadSettings, AFileWithOnlyAPlayerNameLoadsAndTheSaveWritesEverything) {
    const Settings s = Loaded(Hive{{kMainKey, {{"PlayerName", std::string("Ranger")}}}});
    Settings expected;
    expected.PlayerName = "Ranger";
    EXPECT_EQ(SavedHive(s), SavedHive(expected));
    EXPECT_TRUE(s.Broadcast);
    EXPECT_EQ("27910", s.Port);

    // A windows key with one value places the windows; the rest are built in.
    const Settings placed = Loaded(Hive{{kMainKey, {}}, {kWindowsKey, {{"MainTop", 7}}}});
    EXPECT_TRUE(placed.Windows.Placed);
    EXPECT_EQ(7, placed.Windows.MainTop);
    EXPECT_EQ(WindowGeometry{}.UsersHeight, placed.Windows.UsersHeight);
    // A file from before the main window could be resized or sorted opens
    // it at its built-in size, in the table's order, players by frags.
    EXPECT_EQ(446, placed.Windows.MainWidth);
    EXPECT_EQ(215, placed.Windows.MainHeight);
    EXPECT_EQ(320, placed.Windows.HostListWidth);
    EXPECT_EQ("", placed.Windows.HostColumnWidths);
    EXPECT_EQ(-1, placed.Windows.HostSortColumn);
    EXPECT_EQ(1, placed.Windows.PlayerSortColumn);
    EXPECT_TRUE(placed.Windows.PlayerSortDescending);
    EXPECT_TRUE(placed.Windows.ShowMasterListed) << "servers from the masters show until hidden";
}

TEST(LoadSettings, AMistypedValueStopsTheLoadAfterTheValuesBeforeIt) {
    Hive hive = SavedHive(NonDefaultSettings());
    hive[kMainKey]["BCInterval"] = std::string("30");
    Settings s;
    EXPECT_EQ("Invalid data type for 'BCInterval'", LoadError(hive, s));
    EXPECT_FALSE(s.Broadcast);
    EXPECT_EQ("27910", s.Port);

    // A value of a kind the store never reads is no number either.
    hive = SavedHive(NonDefaultSettings());
    hive[kMainKey]["Retries"] = ForeignValue{"true"};
    s = Settings();
    EXPECT_EQ("Invalid data type for 'Retries'", LoadError(hive, s));
    EXPECT_EQ("27911", s.Port);
    EXPECT_EQ("5", s.Retries);

    // Values read only when present are type-checked too.
    hive = SavedHive(NonDefaultSettings());
    hive[kMainKey]["PlayerName"] = 5;
    s = Settings();
    EXPECT_EQ("Invalid data type for 'PlayerName'", LoadError(hive, s));
    EXPECT_FALSE(s.NoSingle);
    EXPECT_EQ("Player", s.PlayerName);
    hive[kMainKey]["PlayerName"] = ForeignValue{"null"};
    EXPECT_EQ("Invalid data type for 'PlayerName'", LoadError(hive, s));
}

TEST(LoadSettings, ValuesOfSubkeys) {
    Hive hive = SavedHive(NonDefaultSettings());
    hive[WanKey(1)]["Enabled"] = std::string("yes");
    Settings s;
    EXPECT_EQ("Invalid data type for 'Enabled'", LoadError(hive, s));
    EXPECT_TRUE(s.Wan[0].Enabled);
    EXPECT_EQ("server2.x.example", s.Wan[1].Address);
    EXPECT_FALSE(s.Wan[1].Enabled);

    hive = SavedHive(NonDefaultSettings());
    hive[kWindowsKey]["UsersHeight"] = std::string("tall");
    s = Settings();
    EXPECT_EQ("Invalid data type for 'UsersHeight'", LoadError(hive, s));
    EXPECT_EQ(515, s.Windows.UsersWidth);

    hive = SavedHive(NonDefaultSettings());
    hive[EventKey(EventKind::NotFull)]["Sound"] = 1;
    s = Settings();
    EXPECT_EQ("Invalid data type for 'Sound'", LoadError(hive, s));
    EXPECT_TRUE(s.Event(EventKind::NotFull).Play);
    EXPECT_FALSE(s.Event(EventKind::NewMap).Popup);

    // Texts that are missing keep their defaults too.
    hive = SavedHive(NonDefaultSettings());
    hive[WanKey(0)].erase("Address");
    hive[WanKey(0)].erase("Port");
    hive[EventKey(EventKind::NewHost)].erase("Sound");
    s = Loaded(hive);
    EXPECT_EQ("", s.Wan[0].Address);
    EXPECT_EQ("27910", s.Wan[0].Port);
    EXPECT_EQ("", s.Event(EventKind::NewHost).Sound);
}

TEST(LoadSettings, AMissingGameCommandOrDirectoryKeepsItsDefaultAndAStoredOneStays) {
    Hive hive = SavedHive(NonDefaultSettings());
    hive[kMainKey].erase("Quake2Command");
    Settings s = Loaded(hive);
    EXPECT_EQ("quake2", s.Quake2Command);
    EXPECT_EQ(NonDefaultSettings().Quake2BaseDir, s.Quake2BaseDir);

    hive = SavedHive(NonDefaultSettings());
    hive[kMainKey].erase("Quake2BaseDir");
    s = Loaded(hive);
    EXPECT_EQ(NonDefaultSettings().Quake2Command, s.Quake2Command);
    EXPECT_EQ("/usr/share/games/quake2", s.Quake2BaseDir);

    // A stored value stays as it is, even the old Windows defaults or empty.
    hive = SavedHive(NonDefaultSettings());
    hive[kMainKey]["Quake2Command"] = std::string("quake2.exe");
    hive[kMainKey]["Quake2BaseDir"] = std::string();
    s = Loaded(hive);
    EXPECT_EQ("quake2.exe", s.Quake2Command);
    EXPECT_EQ("", s.Quake2BaseDir);
}

}  // namespace
}  // namespace torvane
