// SPDX-License-Identifier: GPL-2.0-or-later
// The options dialog's logic: what its construction does at start-up, its
// close in five steps, the save at exit that must leave a loadable file, and
// the file choices of its buttons.

#include "settings/options.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/convert.h"
#include "settings/settings_fakes.h"
#include "settings/settingsio.h"
#include "support/fake_services.h"

namespace torvane {
namespace {

using Calls = std::vector<std::string>;

// The dialog's window and the rest of the program, in one journal.
struct FakeOptionsSide : OptionsView, OptionsHost {
    Calls calls;
    test::FakeLogSink log{calls};
    bool interval_fails = false;
    std::vector<std::optional<std::string>> chosen;  // what the next file dialogs answer
    std::string log_file;
    WindowGeometry places;

    void Note(const std::string& text) { calls.push_back(text); }
    std::optional<std::string> NextChoice() {
        if (chosen.empty()) return std::nullopt;
        auto choice = chosen.front();
        chosen.erase(chosen.begin());
        return choice;
    }

    void SetCaption(const std::string& text) override { Note("caption " + text); }
    void ShowSettings() override { Note("controls"); }
    void ShowAndRaise() override { Note("shown"); }
    void Hide() override { Note("hidden"); }
    void SelectPage(OptionsPage page) override { Note("page " + std::to_string(static_cast<int>(page))); }
    void FocusBusyEdit() override { Note("busy edit focused"); }
    void FocusField(OptionsField field) override { Note("focus " + std::to_string(static_cast<int>(field))); }
    std::function<void()> on_error;  // runs when an error is shown
    void ShowError(const std::string& message) override {
        Note("error " + message);
        if (on_error) on_error();
    }
    std::map<ServerList, std::string> typed;  // in the address fields of the two lists
    void ShowServerList(ServerList list) override {
        Note(list == ServerList::kMasters ? "masters shown" : "favourites shown");
    }
    std::string ServerEntryText(ServerList list) const override {
        const auto found = typed.find(list);
        return found == typed.end() ? std::string() : found->second;
    }
    void ClearServerEntry(ServerList list) override {
        typed[list].clear();
        Note(list == ServerList::kMasters ? "master field emptied" : "favourite field emptied");
    }
    std::optional<std::string> RunSoundOpenDialog() override { return NextChoice(); }
    std::optional<std::string> RunLogSaveDialog() override { return NextChoice(); }

    void SetLogFile(const std::string& path) override {
        log_file = path;
        Note("log file " + path);
    }
    std::string LogFile() const override { return log_file; }
    void SetLogEnabled(bool enabled) override { Note(enabled ? "logging on" : "logging off"); }
    void ShowLogWindow() override { Note("log window"); }
    void SetShowHints(bool show) override { Note(show ? "hints on" : "hints off"); }
    void PlaceWindows(const WindowGeometry& geometry) override {
        places = geometry;
        Note("placed");
    }
    WindowGeometry WindowPlaces() const override { return places; }
    void ShowMainWindowAtStart(bool start_minimized) override {
        Note(start_minimized ? "start minimized" : "start shown");
    }
    void SetStayOnTop(bool main, bool users) override {
        Note(std::string("on top ") + (main ? "main" : "-") + "/" + (users ? "users" : "-"));
    }
    void SetBusyCheck(bool checked) override { Note(checked ? "busy box on" : "busy box off"); }
    void SetBusy1(bool checked) override { Note(checked ? "busy entry on" : "busy entry off"); }
    void StartSearch() override { Note("search"); }
    void ApplyBroadcastInterval() override {
        if (interval_fails) throw EConvertError("ten");
        Note("interval");
    }
    void ClosePortIfChanged() override { Note("port checked"); }
    void PreviewSound(const std::string& path) override { Note("preview " + path); }
};

struct OptionsRig {
    explicit OptionsRig(Hive hive = {}) : store(std::move(hive)) {}
    TOptions& Make() {
        options.emplace(settings, SettingsStore{store, autostart, "/usr/bin/torvane"}, side, side, side.log);
        return *options;
    }
    // A fresh load of what the store holds now.
    Settings Reloaded() {
        Settings loaded;
        LoadSettings(store, loaded);
        return loaded;
    }

    Settings settings;
    MemoryRegistry store;
    test::FakeAutostart autostart;
    FakeOptionsSide side;
    std::optional<TOptions> options;
};

TEST(OptionsStartUp, LoadsThenAppliesTheStartUpSettingsAndLogsStartedLast) {
    OptionsRig rig(Hive{{kMainKey,
                         {{"Broadcast", 1},
                          {"BCInterval", 60},
                          {"Port", 27910},
                          {"Retries", 5},
                          {"Quake2Command", std::string("quake2")},
                          {"Quake2BaseDir", std::string("/games/q2")},
                          {"StartBusy", 1},
                          {"StartMinimized", 0},
                          {"ShowHints", 0},
                          {"LogFile", std::string("/tmp/tvnlog.txt")}}},
                        {kWindowsKey,
                         {{"MainTop", 10},
                          {"MainLeft", 20},
                          {"UsersTop", 30},
                          {"UsersLeft", 40},
                          {"UsersWidth", 500},
                          {"UsersHeight", 400}}}});
    rig.Make();
    EXPECT_EQ(rig.side.calls,
              (Calls{"caption Torvane 2.13", "controls", "log file /tmp/tvnlog.txt", "logging on", "placed",
                     "hints off", "start shown", "busy box on", "busy entry on", "log: Torvane started"}));
    EXPECT_EQ(rig.settings.BCInterval, "60");
    EXPECT_EQ(rig.side.places.UsersWidth, 500);
    EXPECT_EQ(rig.side.places.UserListWidth, 230) << "a value not stored keeps the built-in size";
    rig.side.calls.clear();
    rig.options->FormCreate();
    EXPECT_EQ(rig.side.calls, (Calls{"search"}));
}

TEST(OptionsStartUp, AFirstRunKeepsTheWindowsWhereTheDesktopPutsThem) {
    OptionsRig rig;
    rig.Make();
    EXPECT_EQ(std::count(rig.side.calls.begin(), rig.side.calls.end(), "placed"), 0);
    EXPECT_EQ(rig.side.calls.back(), "log: Torvane started");
}

TEST(OptionsStartUp, ALoadErrorEscapesWithOnlyTheLogHandedOver) {
    OptionsRig early(Hive{{kMainKey, {{"Broadcast", 1}, {"BCInterval", std::string("30")}}}});
    EXPECT_THROW(early.Make(), ERegistryException);
    EXPECT_EQ(early.side.calls, (Calls{"caption Torvane 2.13", "log file ", "logging on"}));

    // A failure after the log's values: the end of the program goes to the file.
    OptionsRig late(Hive{{kMainKey,
                          {{"Broadcast", 1},
                           {"BCInterval", 30},
                           {"Port", 27910},
                           {"Retries", 5},
                           {"LogFile", std::string("/tmp/tvnlog.txt")},
                           {"LogEnabled", 0}}},
                         {kWindowsKey, {{"MainTop", std::string("high")}}}});
    EXPECT_THROW(late.Make(), ERegistryException);
    EXPECT_EQ(late.side.calls, (Calls{"caption Torvane 2.13", "log file /tmp/tvnlog.txt", "logging off"}));
}

TEST(OptionsClose, SavesThenChecksThePortThenAppliesStayOnTopThenHides) {
    OptionsRig rig;
    rig.Make();
    rig.settings.MainStayOnTop = true;
    rig.side.log_file = "/tmp/chosen.txt";
    rig.side.places.UsersHeight = 377;
    rig.side.calls.clear();
    EXPECT_TRUE(rig.options->FormClose());
    EXPECT_EQ(rig.side.calls, (Calls{"port checked", "on top main/-", "hidden"}));
    const Settings saved = rig.Reloaded();
    EXPECT_TRUE(saved.MainStayOnTop);
    EXPECT_EQ(saved.LogFile, "/tmp/chosen.txt");
    EXPECT_EQ(saved.Windows.UsersHeight, 377);
}

TEST(OptionsClose, ANumberThatIsNoneKeepsTheDialogOpenWithTheMessage) {
    OptionsRig rig;
    rig.Make();
    rig.settings.Retries = "five";
    rig.side.calls.clear();
    EXPECT_FALSE(rig.options->FormClose());
    EXPECT_EQ(rig.side.calls, (Calls{"error Retries: 'five' is not a valid integer value", "focus 1"}));
}

// A field that cannot be taken is named, gets the focus, and nothing is
// saved: the first one in the order of the save, a port outside 1 to 65535
// as much as a text that is no number.
TEST(OptionsClose, AFieldThatCannotBeTakenIsNamedAndFocusedAndNothingIsSaved) {
    const struct {
        std::function<void(Settings&)> change;
        std::string shown;
    } cases[] = {
        {[](Settings& s) { s.Port = "27910x"; }, "error Port: '27910x' is not a valid integer value|focus 2"},
        {[](Settings& s) { s.Port = "70000"; }, "error Port: 70000 is not a port from 1 to 65535|focus 2"},
        {[](Settings& s) { s.Port3 = "0"; }, "error Port #3: 0 is not a port from 1 to 65535|focus 4"},
        {[](Settings& s) {
             s.BCInterval = "x";
             s.Port = "0";
         },
         "error Interval: 'x' is not a valid integer value|focus 0"},
        {[](Settings& s) {
             s.Wan[1].Enabled = true;
             s.Wan[1].Port = "99999";
         },
         "error Port of internet server 2: 99999 is not a port from 1 to 65535|focus 7"},
        {[](Settings& s) {
             s.Wan[3].Address = "q2.example.test";
             s.Wan[3].Port = "";
         },
         "error Port of internet server 4: '' is not a valid integer value|focus 9"},
    };
    for (const auto& c : cases) {
        OptionsRig rig;
        rig.Make();
        c.change(rig.settings);
        rig.side.calls.clear();
        EXPECT_FALSE(rig.options->FormClose());
        std::string shown;
        for (const std::string& call : rig.side.calls) shown += (shown.empty() ? "" : "|") + call;
        EXPECT_EQ(shown, c.shown);
        EXPECT_FALSE(rig.store.OpenKey(kMainKey, false)) << "saved: " << c.shown;
    }
    // An unused internet server row may hold anything.
    OptionsRig rig;
    rig.Make();
    rig.settings.Wan[2].Port = "none";
    EXPECT_TRUE(rig.options->FormClose());
    EXPECT_EQ(rig.Reloaded().Wan[2].Port, "none");
}

TEST(OptionsExit, ANumberThatIsNoneIsToldAndTheStoredValueKeptSoTheFileStillLoads) {
    // A first run: nothing stored yet, so the default is kept.
    OptionsRig first;
    first.Make();
    first.settings.Port = "27910x";
    first.settings.PlayerName = "Ranger";
    first.side.calls.clear();
    // The file loads again before the user is told, however long the box stays.
    first.side.on_error = [&] { EXPECT_EQ(first.Reloaded().Port, "27910"); };
    first.options->FormDestroy();
    ASSERT_EQ(first.side.calls.size(), 1u);
    EXPECT_EQ(first.side.calls[0],
              "error Port: '27910x' is not a valid integer value\n\nThe other settings are saved; Port stays "
              "27910.");
    const Settings loaded = first.Reloaded();
    EXPECT_EQ(loaded.Port, "27910");
    EXPECT_EQ(loaded.PlayerName, "Ranger");

    // A later run keeps what was stored, for every field that is no number.
    OptionsRig later(Hive{{kMainKey,
                           {{"Broadcast", 1},
                            {"BCInterval", 60},
                            {"Port", 27000},
                            {"Retries", 5},
                            {"Quake2Command", std::string("quake2")},
                            {"Quake2BaseDir", std::string("/games/q2")}}}});
    later.Make();
    later.settings.Port = "";
    later.settings.BCInterval = "1 minute";
    later.settings.Retries = "7";
    later.side.calls.clear();
    later.options->FormDestroy();
    ASSERT_EQ(later.side.calls.size(), 1u);
    EXPECT_TRUE(later.side.calls[0].ends_with("BCInterval stays 60, Port stays 27000."))
        << later.side.calls[0];
    const Settings again = later.Reloaded();
    EXPECT_EQ(again.Port, "27000");
    EXPECT_EQ(again.BCInterval, "60");
    EXPECT_EQ(again.Retries, "7");
    EXPECT_TRUE(later.autostart.unregistered) << "the save went to its end";

    // A port out of range is kept out of the file the same way, and so is
    // one stored out of range by hand.
    OptionsRig range(Hive{{kMainKey, {{"Port", 27000}, {"Port2", 70000}}}});
    range.Make();
    range.settings.Port = "65536";
    range.side.calls.clear();
    range.options->FormDestroy();
    ASSERT_EQ(range.side.calls.size(), 1u);
    EXPECT_TRUE(range.side.calls[0].starts_with("error Port: 65536 is not a port from 1 to 65535\n\n"))
        << range.side.calls[0];
    EXPECT_TRUE(range.side.calls[0].ends_with("Port stays 27000, Port2 stays 27920.")) << range.side.calls[0];
    EXPECT_EQ(range.Reloaded().Port, "27000");
    EXPECT_EQ(range.Reloaded().Port2, "27920");
}

TEST(OptionsButtons, EachSoundButtonSetsOnlyItsOwnSoundAndCancelKeepsIt) {
    OptionsRig rig;
    rig.Make();
    const SoundChoice all[] = {SoundChoice::kNewHost, SoundChoice::kNewPlayer, SoundChoice::kNotFull,
                               SoundChoice::kNewMap,  SoundChoice::kShout,     SoundChoice::kSuggest,
                               SoundChoice::kMessage};
    for (const SoundChoice choice : all) {
        Settings before = rig.settings;
        const std::string path = "/snd/" + std::to_string(static_cast<int>(choice)) + ".wav";
        rig.side.chosen = {path};
        rig.options->SoundButtonClick(choice);
        for (const SoundChoice other : all) {
            if (other != choice) {
                EXPECT_EQ(SoundOf(rig.settings, other), SoundOf(before, other));
            }
        }
        EXPECT_EQ(SoundOf(rig.settings, choice), path);
    }
    EXPECT_EQ(rig.settings.Event(EventKind::NewMap).Sound, "/snd/3.wav");
    EXPECT_EQ(rig.settings.MessageSound, "/snd/6.wav");

    rig.side.chosen = {std::nullopt};
    rig.options->SoundButtonClick(SoundChoice::kShout);
    EXPECT_EQ(rig.settings.ShoutSound, "/snd/4.wav");

    rig.side.calls.clear();
    rig.options->SoundOpenDialogSelectionChange("/snd/try.wav");
    rig.side.chosen = {std::nullopt, "/logs/tvnlog.txt"};
    rig.options->Button1Click();
    rig.options->Button1Click();
    EXPECT_EQ(rig.side.calls, (Calls{"preview /snd/try.wav", "log file /logs/tvnlog.txt"}));
}

TEST(OptionsButtons, BusyOpensTheInfoPageAndAnIntervalThatIsNoNumberIsShown) {
    OptionsRig rig;
    rig.Make();
    rig.side.calls.clear();
    rig.options->ShowOnInfoPage();
    EXPECT_EQ(rig.side.calls, (Calls{"shown", "page 4", "busy edit focused"}));

    rig.side.calls.clear();
    rig.side.interval_fails = true;
    rig.options->CheckBroadcastClick();
    EXPECT_EQ(rig.side.calls, (Calls{"error Interval: 'ten' is not a valid integer value", "focus 0"}));
}

// Types `text` into the list's field and presses its Add button.
bool Add(OptionsRig& rig, ServerList list, const std::string& text) {
    rig.side.typed[list] = text;
    return rig.options->AddServerEntry(list);
}

std::string Joined(const Calls& calls) {
    std::string shown;
    for (const std::string& call : calls) shown += (shown.empty() ? "" : "|") + call;
    return shown;
}

TEST(OptionsServerLists, TypedAddressesJoinTheirListsInTheFormTheSearchReadsAndAreSaved) {
    OptionsRig rig;
    rig.Make();
    rig.side.calls.clear();
    EXPECT_TRUE(Add(rig, ServerList::kMasters, "10.99.0.1"));
    EXPECT_EQ(rig.side.calls, (Calls{"masters shown", "master field emptied"}));
    EXPECT_TRUE(Add(rig, ServerList::kMasters, "  master.example.test:27950\t"));
    // A favourite is a game server: without a port it is the game's.
    EXPECT_TRUE(Add(rig, ServerList::kFavorites, "10.99.0.12"));
    EXPECT_TRUE(Add(rig, ServerList::kFavorites, "q2.example.test:27911"));
    EXPECT_EQ(rig.settings.Masters, "10.99.0.1 master.example.test:27950");
    EXPECT_EQ(rig.settings.Favorites, "10.99.0.12:27910 q2.example.test:27911");

    // An empty field adds nothing and says nothing.
    rig.side.calls.clear();
    EXPECT_FALSE(Add(rig, ServerList::kFavorites, "   "));
    EXPECT_TRUE(rig.side.calls.empty());

    // Remove takes out the chosen one only; a row past the end is none.
    rig.options->RemoveServerEntry(ServerList::kMasters, 0);
    rig.options->RemoveServerEntry(ServerList::kFavorites, 2);
    rig.options->RemoveServerEntry(ServerList::kFavorites, -1);
    EXPECT_EQ(rig.settings.Masters, "master.example.test:27950");
    EXPECT_EQ(rig.settings.Favorites, "10.99.0.12:27910 q2.example.test:27911");

    ASSERT_TRUE(rig.options->FormClose());
    const Settings saved = rig.Reloaded();
    EXPECT_EQ(saved.Masters, "master.example.test:27950");
    EXPECT_EQ(saved.Favorites, "10.99.0.12:27910 q2.example.test:27911");
}

// What cannot be searched is refused like a number that is none: the
// message names the list, the field gets the focus and keeps the text, and
// the list stays as it was.
TEST(OptionsServerLists, AnAddressThatCannotBeSearchedOrIsListedAlreadyIsNamedAndFocused) {
    const struct {
        ServerList list;
        std::string typed;
        std::string shown;
    } cases[] = {
        {ServerList::kMasters, "q2 master",
         "error Master servers: 'q2 master' is not a host name or IPv4 address"},
        {ServerList::kMasters, "10.0.0.1:0", "error Master servers: 0 is not a port from 1 to 65535"},
        {ServerList::kMasters, "10.0.0.1:", "error Master servers: '10.0.0.1:' has no port after its colon"},
        {ServerList::kMasters, "10.0.0.1:27900x",
         "error Master servers: 27900x is not a port from 1 to 65535"},
        {ServerList::kMasters, "MASTER.example.test",
         "error Master servers: MASTER.example.test is in the list already"},
        {ServerList::kFavorites, "300.1.2.3:27910",
         "error Favourite servers: '300.1.2.3:27910' is not a host name or IPv4 address"},
        {ServerList::kFavorites, "10.0.0",
         "error Favourite servers: '10.0.0' is not a host name or IPv4 address"},
        {ServerList::kFavorites, "-q2.example.test",
         "error Favourite servers: '-q2.example.test' is not a host name or IPv4 address"},
        {ServerList::kFavorites, "[::1]:27910",
         "error Favourite servers: '[::1]:27910' is not a host name or IPv4 address"},
        {ServerList::kFavorites, ":27910",
         "error Favourite servers: ':27910' is not a host name or IPv4 address"},
        {ServerList::kFavorites, "10.0.0.5",
         "error Favourite servers: 10.0.0.5:27910 is in the list already"},
        {ServerList::kFavorites, "10.0.0.6:27910",
         "error Favourite servers: 10.0.0.6:27910 is in the list already"},
        {ServerList::kFavorites, "10.0.0.6:027910",
         "error Favourite servers: 027910 is not a port from 1 to 65535"},
        {ServerList::kFavorites, "10.0.0.5:70000",
         "error Favourite servers: 70000 is not a port from 1 to 65535"},
    };
    for (const auto& c : cases) {
        OptionsRig rig;
        rig.Make();
        rig.settings.Masters = "master.example.test:27900";
        rig.settings.Favorites = "10.0.0.5:27910 10.0.0.6";
        rig.side.calls.clear();
        EXPECT_FALSE(Add(rig, c.list, c.typed)) << c.typed;
        const std::string focus = c.list == ServerList::kMasters ? "focus 10" : "focus 11";
        EXPECT_EQ(Joined(rig.side.calls), c.shown + "|" + focus);
        EXPECT_EQ(rig.side.typed[c.list], c.typed);
        EXPECT_EQ(rig.settings.Masters, "master.example.test:27900");
        EXPECT_EQ(rig.settings.Favorites, "10.0.0.5:27910 10.0.0.6");
    }
}

// An address typed but never added goes in with OK; one that cannot be
// taken keeps the dialog open and nothing is saved.
TEST(OptionsServerLists, ClosingAddsWhatIsTypedOrStaysOpenNamingIt) {
    OptionsRig rig;
    rig.Make();
    rig.side.typed[ServerList::kFavorites] = "q2.example.test";
    ASSERT_TRUE(rig.options->FormClose());
    EXPECT_EQ(rig.Reloaded().Favorites, "q2.example.test:27910");

    OptionsRig bad;
    bad.Make();
    bad.side.typed[ServerList::kMasters] = "master:99999";
    bad.side.calls.clear();
    EXPECT_FALSE(bad.options->FormClose());
    EXPECT_EQ(Joined(bad.side.calls), "error Master servers: 99999 is not a port from 1 to 65535|focus 10");
    EXPECT_FALSE(bad.store.OpenKey(kMainKey, false)) << "nothing is saved";
}

TEST(OptionsServerLists, TheHostMenuAddsAServerOnceWhateverFormTheListNamesItIn) {
    OptionsRig rig;
    rig.Make();
    // A file written by hand may name a favourite without its port.
    rig.settings.Favorites = "10.99.0.11 Q2.Example.Test:27920";
    EXPECT_TRUE(rig.options->IsFavorite("10.99.0.11:27910"));
    EXPECT_TRUE(rig.options->IsFavorite("q2.example.test:27920"));
    EXPECT_FALSE(rig.options->IsFavorite("10.99.0.11:27911"));
    EXPECT_FALSE(rig.options->IsFavorite("10.99.0.1:27910"));

    rig.side.calls.clear();
    EXPECT_TRUE(rig.options->AddFavorite("10.99.0.12:27910"));
    EXPECT_EQ(rig.side.calls, (Calls{"favourites shown"})) << "the Network page shows it at once";
    EXPECT_FALSE(rig.options->AddFavorite("10.99.0.12:27910"));
    EXPECT_FALSE(rig.options->AddFavorite("10.99.0.11:27910"));
    EXPECT_EQ(rig.settings.Favorites, "10.99.0.11 Q2.Example.Test:27920 10.99.0.12:27910");
    EXPECT_TRUE(rig.options->IsFavorite("10.99.0.12:27910"));
    EXPECT_FALSE(rig.store.OpenKey(kMainKey, false)) << "stored at the next save, like every setting";
    rig.options->FormDestroy();
    EXPECT_EQ(rig.Reloaded().Favorites, "10.99.0.11 Q2.Example.Test:27920 10.99.0.12:27910");
}

}  // namespace
}  // namespace torvane
