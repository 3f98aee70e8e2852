// SPDX-License-Identifier: GPL-2.0-or-later
// The core with every subsystem wired: start-up and shutdown, the Busy pair,
// launches from the host list, event actions reaching the launcher and the
// sound output, and the game scan driving this copy's status. Views,
// platform seams and the sockets are fakes; the few tests on the real
// network run on a private LAN, since a search broadcasts.

#include "app/maincore.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <optional>

#include "core_fakes.h"
#include "discovery/searchcycle.h"
#include "discovery/searchstate.h"
#include "launcher/launcher.h"
#include "notify/log.h"
#include "peers/buddies.h"
#include "peers/peerprotocol.h"
#include "platform/uniquefd.h"
#include "settings/memoryregistry.h"
#include "settings/settings_fakes.h"
#include "support/fake_quake_server.h"
#include "support/isolated_lan.h"
#include "support/tempdir.h"

namespace torvane {
namespace {

using namespace test;

// A store that notes each flush in the journal once it is given one.
struct JournalRegistry final : MemoryRegistry {
    void Flush() override {
        if (journal) journal->push_back("store flushed");
        MemoryRegistry::Flush();
    }
    // Puts `values` into the key at `path`.
    void WriteTo(const std::string& path, const RegKey& values) {
        OpenKey(path, true);
        for (const auto& [name, value] : values) {
            if (const auto* number = std::get_if<int32_t>(&value))
                WriteInteger(name, *number);
            else
                WriteString(name, std::get<std::string>(value));
        }
        CloseKey();
    }
    Journal* journal = nullptr;
};

// The core with its fakes, or with real sockets. Built where it is used: a
// rig made before a fork would share its loop's descriptors with the other
// side.
struct Rig {
    enum class Network { Fake, Real };
    explicit Rig(Network kind = Network::Fake)
        : seams{clock,         processes,
                spawner,       sound,
                computer_name, kind == Network::Fake ? static_cast<SocketMaker&>(network) : QuerySockets()},
          real_network(kind == Network::Real) {
        settings.Quake2BaseDir = "/games/quake2";
        settings.Quake2Command = "quake2 +set game ctf";
    }

    // A datagram broadcast to the game port.
    void Deliver(const std::string& datagram, const std::string& from) {
        core();
        if (real_network) {
            DeliveringSocket socket(datagram, from);
            core().Cycle().DataAvailable(socket);
        } else {
            network.ListenSocket().Deliver(datagram, from);
        }
    }
    // A status reply of a server with `players` players on `map`, answering
    // the query of the open search window (one is started when none is).
    void Reply(const std::string& host, const std::string& map, const std::string& from,
               std::vector<test::FakePlayer> players = {}) {
        if (!core().Search().WindowOpen) core().Cycle().StartSearch();
        const std::string datagram = test::StatusReplyDatagram(host, map, 8, players);
        if (real_network) {
            DeliveringSocket socket(datagram, from);
            core().Cycle().DataAvailable(socket);
        } else {
            network.Socket(0).Deliver(datagram, from);
        }
    }
    // The core on its own, for its handlers; or within the program's start-up
    // and shutdown, once Start has run.
    MainCore& core() {
        if (shell) return shell->Core();
        if (!bare) bare.emplace(loop, settings, seams, views);
        return *bare;
    }
    void Start() {
        shell.emplace(loop, settings, seams, ShellViews{views, options, options},
                      SettingsStore{store, autostart, "/usr/bin/torvane"});
    }
    void Stop() { shell.reset(); }
    // Start-up with its first search window over.
    void StartAndEndFirstSearch() {
        Start();
        core().Cycle().BroadcastEnd();
        journal.clear();
    }
    bool Saw(const std::string& entry) const {
        return std::find(journal.begin(), journal.end(), entry) != journal.end();
    }
    long Count(const std::string& entry) const { return std::count(journal.begin(), journal.end(), entry); }
    // Position of `entry` in the journal, or -1.
    int Index(const std::string& entry) const {
        const auto it = std::find(journal.begin(), journal.end(), entry);
        return it == journal.end() ? -1 : static_cast<int>(it - journal.begin());
    }
    PeerStatus Status() { return core().Peers().OwnStatus(); }

    Journal journal;
    FakeWindows windows{journal};
    Settings settings;
    ManualClock clock;
    FakeProcesses processes;
    FakeSpawner spawner{journal};
    FakeSound sound{journal};
    FixedComputerName computer_name;
    MessageLoop loop;
    FakeNetwork network{journal};
    CoreSeams seams;
    bool real_network;
    FakeLog log_window{journal};
    FakeOptions options{journal};
    CoreViews views{windows, windows, windows, log_window};
    JournalRegistry store;
    FakeAutostart autostart;
    std::optional<MainCore> bare;
    std::optional<Shell> shell;
};

TEST(MainCoreStartUp, LogsStartedThenSearchesQuietlyWithTheDefaultSettings) {
    SKIP_WITHOUT_PRIVATE_LAN();
    EXPECT_EQ(0, test::RunInIsolatedLan([] {
                  test::TempDir dir;
                  Rig rig(Rig::Network::Real);
                  const auto file = dir.Path() / "torvane.log";
                  rig.settings.LogFile = file.string();
                  rig.Start();

                  // Idle icon with an empty tip first; start minimised and not busy, so
                  // no window and no options dialog, and the box's click made us Ready.
                  ASSERT_GE(rig.journal.size(), 2u);
                  EXPECT_EQ(rig.journal[0], "icon 0");
                  EXPECT_EQ(rig.journal[1], "tip ");
                  EXPECT_FALSE(rig.Saw("show window"));
                  EXPECT_FALSE(rig.Saw("options on Info"));
                  EXPECT_FALSE(rig.core().BusyChecked());
                  EXPECT_TRUE(rig.Saw("busy box off, menu off"));
                  EXPECT_EQ(rig.Status(), PeerStatus::Ready);

                  const int started = rig.Index("log Torvane started");
                  ASSERT_GE(started, 0);
                  EXPECT_LT(started, rig.Index("status 0: Searching for local servers"));
                  EXPECT_TRUE(rig.core().Search().FirstSearch);
                  EXPECT_TRUE(std::none_of(rig.journal.begin(), rig.journal.end(),
                                           [](auto& entry) { return entry.starts_with("status 0: ERROR"); }));
                  EXPECT_TRUE(test::ReadFile(file).ends_with(" : Torvane started\n"));

                  // The first window is quiet: a new server changes no icon and runs no
                  // action, but is logged.
                  rig.settings.Event(EventKind::NewHost) = {true, true, true, "/snd/host.wav"};
                  rig.journal.clear();
                  rig.Reply("Friday", "base1", "10.99.0.12");
                  EXPECT_TRUE(rig.Saw("log New server \"Friday\" found on 10.99.0.12"));
                  for (const std::string& entry : rig.journal) {
                      EXPECT_EQ(entry.rfind("icon", 0), std::string::npos) << entry;
                      EXPECT_EQ(entry.rfind("spawn", 0), std::string::npos) << entry;
                      EXPECT_EQ(entry.rfind("play", 0), std::string::npos) << entry;
                      EXPECT_NE(entry, "show window");
                  }
              }));
}

TEST(MainCoreStartUp, StartBusyAndShownKeepsBusyWithoutOpeningTheOptions) {
    Rig rig;
    rig.settings.StartBusy = true;
    rig.settings.StartMinimized = false;
    rig.Start();
    const int shown = rig.Index("show window");
    ASSERT_GE(shown, 0);
    EXPECT_EQ(rig.journal[shown + 1], "restore");
    EXPECT_EQ(rig.journal[shown + 2], "to front");
    EXPECT_TRUE(rig.core().BusyChecked());
    EXPECT_FALSE(rig.Saw("options on Info"));
    EXPECT_FALSE(rig.Saw("busy box off, menu off"));
    EXPECT_EQ(rig.Status(), PeerStatus::Busy);
}

TEST(MainCoreStartUp, ASecondCopyShowsThatTheGamePortIsTakenAndRunsOn) {
    SKIP_WITHOUT_PRIVATE_LAN();
    EXPECT_EQ(0, test::RunInIsolatedLan([] {
                  // The first copy's listening socket.
                  const UniqueFd first(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
                  sockaddr_in address{};
                  address.sin_family = AF_INET;
                  address.sin_port = htons(27910);
                  ASSERT_EQ(bind(first.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

                  Rig rig(Rig::Network::Real);
                  rig.Start();
                  // The status bar names the failure's own code, address in use.
                  const auto refused =
                      std::find(rig.journal.begin(), rig.journal.end(), "status 0: ERROR (10048)");
                  ASSERT_NE(refused, rig.journal.end()) << testing::PrintToString(rig.journal);
                  EXPECT_LT(refused - rig.journal.begin(), rig.Index("log Torvane started"));
                  EXPECT_TRUE(rig.Saw("status 0: Searching for local servers"));
              }));
}

TEST(MainCoreStartUp, ListensOnTheGamePortThenQueriesEveryEnabledPlaceAndKeepsOnlyTheBroadcastSocket) {
    Rig rig;
    rig.settings.Port3Enable = true;
    rig.settings.Wan[1] = {"10.99.0.40", "27915", true};
    rig.Start();
    const int listened = rig.Index("listen Listen 0.0.0.0:27910");
    const int started = rig.Index("log Torvane started");
    const int broadcast = rig.Index("connect W1 255.255.255.255:27910");
    ASSERT_GE(listened, 0);
    EXPECT_LT(listened, started);
    EXPECT_LT(started, broadcast);
    EXPECT_EQ(rig.journal[broadcast + 1], "send W1 query");
    EXPECT_EQ(rig.journal[rig.Index("connect W3 255.255.255.255:27930") + 1], "send W3 query");
    EXPECT_EQ(rig.journal[rig.Index("connect Wan2 10.99.0.40:27915") + 1], "send Wan2 query");
    // The first search asks the other copies to announce themselves, on the
    // broadcast socket only.
    EXPECT_EQ(rig.Count("send W1 TVNSTAT"), 1);
    for (const char* idle : {"W2", "W4", "Wan1", "Wan3", "Wan4"})
        EXPECT_EQ(rig.Index(std::string("connect ") + idle), -1) << idle;

    // The window's end closes the extra sockets; the next search reuses the
    // broadcast socket and opens the others again.
    rig.journal.clear();
    rig.core().Cycle().BroadcastEnd();
    EXPECT_TRUE(rig.Saw("close W3"));
    EXPECT_TRUE(rig.Saw("close Wan2"));
    EXPECT_FALSE(rig.Saw("close W1"));
    rig.journal.clear();
    rig.core().ConnectButtonClick();
    EXPECT_EQ(rig.Index("connect W1 255.255.255.255:27910"), -1);
    EXPECT_EQ(rig.Count("send W1 query"), 1);
    EXPECT_TRUE(rig.Saw("connect W3 255.255.255.255:27930"));
}

TEST(MainCoreStartUp, AGamePortHeldByAnotherProgramIsShownAndTheSearchRunsOn) {
    Rig rig;
    rig.network.taken_ports = {"27910"};
    rig.settings.Port = "27911";
    rig.Start();
    const int refused = rig.Index("status 0: ERROR (10048)");
    ASSERT_GE(refused, 0) << testing::PrintToString(rig.journal);
    EXPECT_LT(rig.Index("listen Listen 0.0.0.0:27910"), refused);
    EXPECT_LT(refused, rig.Index("log Torvane started"));
    EXPECT_TRUE(rig.Saw("send W1 query"));
}

TEST(MainCoreShutdown, SavesEverythingThenLogsClosedThenRemovesTheTrayIcon) {
    test::TempDir dir;
    Rig rig;
    rig.settings.LogFile = (dir.Path() / "a.log").string();
    rig.Start();
    // A log file chosen and a name typed, the dialog never closed.
    const auto moved = dir.Path() / "b.log";
    rig.core().LogForm().SetLogFile(moved.string());
    rig.settings.PlayerName = "Typed";
    rig.store.journal = &rig.journal;
    rig.journal.clear();
    rig.Stop();
    EXPECT_EQ(rig.journal, (Journal{"store flushed", "log Torvane closed", "tray icon removed", "close W1"}));
    ASSERT_TRUE(rig.store.OpenKey("\\Software\\Torvane", false));
    EXPECT_EQ(rig.store.ReadString("LogFile"), moved.string());
    EXPECT_EQ(rig.store.ReadString("PlayerName"), "Typed");
    EXPECT_EQ(rig.store.ReadString("Version"), "2.13");
    EXPECT_TRUE(test::ReadFile(moved).ends_with(" : Torvane closed\n"));
}

TEST(MainCoreShutdown, WithLoggingOffNothingIsLoggedFromStartToEnd) {
    Rig rig;
    rig.settings.LogEnabled = false;
    rig.Start();
    rig.Stop();
    EXPECT_TRUE(rig.Saw("log off"));
    EXPECT_FALSE(rig.Saw("log Torvane started"));
    EXPECT_FALSE(rig.Saw("log Torvane closed"));
}

TEST(MainCoreStartUp, ASettingsFileThatCannotBeLoadedEndsStartUpWithoutASave) {
    Rig rig;
    // A Port that is text, as a hand-edited file may hold it.
    rig.store.WriteTo("\\Software\\Torvane",
                      {{"Broadcast", 1}, {"BCInterval", 30}, {"Port", std::string("27910")}});
    const Hive before = rig.store.Data();
    try {
        rig.Start();
        ADD_FAILURE() << "start-up went on";
    } catch (const EStartUpFailed& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for 'Port'");
    }
    EXPECT_EQ(rig.store.Data(), before);
    // Shown while the windows are there, then they are taken down as at
    // exit; no search ran.
    const auto shown =
        std::find(rig.journal.begin(), rig.journal.end(), "error Invalid data type for 'Port'");
    ASSERT_NE(shown, rig.journal.end());
    EXPECT_LT(shown - rig.journal.begin(),
              std::find(rig.journal.begin(), rig.journal.end(), "log Torvane closed") - rig.journal.begin());
    EXPECT_EQ(rig.journal.back(), "tray icon removed");
    EXPECT_FALSE(rig.Saw("status 0: Searching for local servers"));
    EXPECT_FALSE(rig.Saw("log Torvane started"));
}

TEST(MainCoreStartUp, WithoutANotificationAreaTheMainWindowIsShownAtStart) {
    Rig rig;
    rig.options.tray_available = false;
    ASSERT_TRUE(rig.settings.StartMinimized);
    rig.Start();
    const int shown = rig.Index("show window");
    ASSERT_GE(shown, 0);
    EXPECT_LT(shown, rig.Index("log Torvane started"));
}

// The Busy pair never sends anything: no private LAN needed.
TEST(MainCoreBusy, TheTrayEntryAndTheBoxMoveTogetherAndBusyOpensTheInfoPage) {
    Rig rig;
    ASSERT_TRUE(rig.core().BusyChecked());  // checked when the window is made

    rig.core().Busy1Click();  // off from the tray: no options dialog
    EXPECT_FALSE(rig.core().BusyChecked());
    EXPECT_EQ(rig.Status(), PeerStatus::Ready);
    EXPECT_EQ(rig.journal.back(), "busy box off, menu off");
    EXPECT_FALSE(rig.Saw("options on Info"));

    rig.journal.clear();
    rig.core().Busy1Click();  // on from the tray: the box's click runs and opens the Info page
    EXPECT_TRUE(rig.core().BusyChecked());
    EXPECT_EQ(rig.Status(), PeerStatus::Busy);
    EXPECT_EQ(rig.journal.back(), "options on Info");
    EXPECT_TRUE(rig.Saw("busy box on, menu on"));

    // The box set to what it already shows runs no click.
    rig.journal.clear();
    rig.core().SetBusyCheck(true);
    EXPECT_TRUE(rig.journal.empty());
    rig.core().SetBusyCheck(false);
    EXPECT_EQ(rig.journal, (Journal{"busy box off, menu off"}));
    EXPECT_EQ(rig.Status(), PeerStatus::Ready);
}

// Scans run on demand; they send nothing.
TEST(MainCoreGameScan, DrivesThisCopysStatusAndLogsEachRunOfTheGameOnce) {
    Rig rig;
    rig.core().SetBusyCheck(false);
    rig.processes.game = true;
    EXPECT_TRUE(rig.core().Launcher().IsGameRunning());
    EXPECT_TRUE(rig.core().Launcher().IsGameRunning());
    EXPECT_EQ(rig.Status(), PeerStatus::Playing);
    EXPECT_EQ(std::count(rig.journal.begin(), rig.journal.end(), "log Quake launch detected"), 1);

    // The list of processes is read again once the last one is a second old.
    rig.processes.game = false;
    EXPECT_TRUE(rig.core().Launcher().IsGameRunning());
    rig.clock.AdvanceMs(GameLauncher::kScanReuseMs);
    rig.core().SetBusyCheck(true);
    EXPECT_FALSE(rig.core().Launcher().IsGameRunning());
    EXPECT_EQ(rig.Status(), PeerStatus::Busy);
    rig.core().SetBusyCheck(false);
    EXPECT_FALSE(rig.core().Launcher().IsGameRunning());
    EXPECT_EQ(rig.Status(), PeerStatus::Ready);

    // The end of a window asks too, and says so.
    rig.processes.game = true;
    rig.clock.AdvanceMs(GameLauncher::kScanReuseMs);
    rig.journal.clear();
    rig.core().Cycle().BroadcastEnd();
    EXPECT_TRUE(rig.Saw("status 1: Running quake detected"));
    EXPECT_EQ(rig.Status(), PeerStatus::Playing);
}

TEST(MainCoreLaunch, ADoubleClickOnARowLaunchesIntoThatServerAndSearchesAgain) {
    Rig rig;
    rig.settings.StartBusy = true;
    rig.StartAndEndFirstSearch();
    rig.Reply("Friday", "base1", "10.99.0.12");
    rig.Reply("Other", "q2dm1", "10.99.0.13");
    rig.journal.clear();

    rig.core().HostListViewDblClick();  // nothing selected: nothing happens
    EXPECT_TRUE(rig.journal.empty());

    rig.windows.selected_host = 1;
    rig.core().HostListViewDblClick();
    const int unchecked = rig.Index("busy box off, menu off");
    const int logged = rig.Index("log Launching quake to Other");
    const int spawned = rig.Index("spawn /games/quake2/quake2");
    const int searched = rig.Index("status 0: Searching for local servers");
    ASSERT_GE(unchecked, 0);
    EXPECT_LT(unchecked, logged);
    EXPECT_LT(logged, spawned);
    EXPECT_LT(spawned, searched);
    EXPECT_LT(searched, rig.Index("send W1 query"));
    EXPECT_FALSE(rig.core().BusyChecked());
    EXPECT_EQ(rig.spawner.argv, (Journal{"/games/quake2/quake2", "+set", "game", "ctf", "+set", "basedir",
                                         "/games/quake2", "+connect", "10.99.0.13:27910"}));
    EXPECT_EQ(rig.spawner.directory, "/games/quake2");
    // The announcement of the launch found no game yet: Ready.
    EXPECT_EQ(rig.Status(), PeerStatus::Ready);

    // A start that fails says why and starts no search.
    rig.spawner.succeed = false;
    rig.journal.clear();
    rig.core().HostListViewDblClick();
    EXPECT_TRUE(rig.Saw("spawn /games/quake2/quake2"));
    EXPECT_TRUE(rig.Saw("status 1: Quake could not be started: No such file or directory"));
    EXPECT_TRUE(rig.Saw("log Quake could not be started: No such file or directory"));
    EXPECT_FALSE(rig.Saw("status 0: Searching for local servers"));
}

TEST(MainCoreLaunch, PlayInTheHostMenuShowsThePlayersAndLaunchesIntoTheSelectedServer) {
    Rig rig;
    rig.StartAndEndFirstSearch();
    rig.Reply("Friday", "base1", "10.99.0.12");
    rig.Reply("Other", "q2dm1", "10.99.0.13", {{"Visor", 2, 40}});
    rig.core().Play1Click();  // nothing selected
    EXPECT_TRUE(rig.spawner.argv.empty());
    rig.windows.selected_host = 1;
    rig.core().Play1Click();
    EXPECT_EQ(rig.spawner.argv.back(), "10.99.0.13:27910");
    EXPECT_TRUE(rig.Saw("log Launching quake to Other"));
}

TEST(MainCoreEvents, ANewServerPopsUpThenLaunchesThenPlaysItsSound) {
    Rig rig;
    rig.settings.Event(EventKind::NewHost) = {true, true, true, "/snd/host.wav"};
    rig.StartAndEndFirstSearch();
    rig.Reply("Friday", "base1", "10.99.0.12");
    const int shown = rig.Index("show window");
    const int spawned = rig.Index("spawn /games/quake2/quake2");
    const int played = rig.Index("play /snd/host.wav");
    ASSERT_GE(shown, 0);
    EXPECT_LT(shown, spawned);
    EXPECT_LT(spawned, played);
    EXPECT_GE(rig.Index("icon 1"), 0);
    EXPECT_LT(rig.Index("icon 1"), shown) << "the icon is set before the actions";
    // What popped the window up is told too, for desktops that keep it behind,
    // as a notification whose Join goes to that server.
    EXPECT_TRUE(rig.Saw("notice New server \"Friday\" found on 10.99.0.12 [join]"));
    EXPECT_GT(rig.Index("notice New server \"Friday\" found on 10.99.0.12 [join]"), shown);
    EXPECT_EQ(rig.spawner.argv.back(), "10.99.0.12:27910");
}

TEST(MainCoreEvents, BusyOrARunningGameStopTheActionsAtTheirGuards) {
    Rig rig;
    rig.settings.StartBusy = true;
    rig.settings.Event(EventKind::NewHost) = {true, true, true, "/snd/host.wav"};
    rig.settings.Event(EventKind::NewMap) = {false, false, true, "/snd/map.wav"};
    rig.StartAndEndFirstSearch();

    // Busy: a new server gets its icon, but nothing pops up, starts or plays.
    rig.Reply("Friday", "base1", "10.99.0.12");
    EXPECT_TRUE(rig.Saw("icon 1"));
    EXPECT_FALSE(rig.Saw("show window"));
    EXPECT_EQ(rig.spawner.argv.size(), 0u);
    EXPECT_FALSE(rig.Saw("play /snd/host.wav"));

    // The game running and Busy off: no pop-up, no launch, but the sound.
    rig.core().SetBusyCheck(false);
    rig.processes.game = true;
    rig.clock.AdvanceMs(GameLauncher::kScanReuseMs);
    rig.journal.clear();
    rig.Reply("Saturday", "base2", "10.99.0.13");
    EXPECT_FALSE(rig.Saw("show window"));
    EXPECT_EQ(rig.spawner.argv.size(), 0u);
    EXPECT_TRUE(rig.Saw("play /snd/host.wav"));

    // A map change plays its own sound, asynchronously.
    rig.journal.clear();
    rig.Reply("Friday", "q2dm1", "10.99.0.12");
    EXPECT_TRUE(rig.Saw("icon 3"));
    EXPECT_TRUE(rig.Saw("play /snd/map.wav"));
}

// Chat arrives without a search: nothing here sends.
TEST(MainCoreSounds, ChatAndShoutSoundsPassTheSameGuardsAsEventSounds) {
    Rig rig;
    rig.settings.MessageSound = "/snd/message.wav";
    rig.settings.ShoutSound = "/snd/shout.wav";
    const std::string say = "TVNMESSWolf\tMhello";
    const std::string shout = "TVNMESSWolf\tSover here";

    rig.core().SetBusyCheck(false);
    rig.Deliver(say, "10.99.0.12");  // the first search window is still open
    EXPECT_FALSE(rig.Saw("play /snd/message.wav"));

    rig.core().Cycle().BroadcastEnd();
    rig.core().SetBusyCheck(true);
    rig.Deliver(say, "10.99.0.12");
    rig.Deliver(shout, "10.99.0.12");
    EXPECT_FALSE(rig.Saw("play /snd/message.wav"));
    EXPECT_FALSE(rig.Saw("play /snd/shout.wav"));

    // A say plays even while the game runs; a shout does not.
    rig.core().SetBusyCheck(false);
    rig.processes.game = true;
    rig.clock.AdvanceMs(GameLauncher::kScanReuseMs);
    rig.Deliver(say, "10.99.0.12");
    rig.Deliver(shout, "10.99.0.12");
    EXPECT_TRUE(rig.Saw("play /snd/message.wav"));
    EXPECT_FALSE(rig.Saw("play /snd/shout.wav"));
    EXPECT_TRUE(rig.Saw("log Wolf shouted \"over here\""));

    rig.processes.game = false;
    rig.clock.AdvanceMs(GameLauncher::kScanReuseMs);
    rig.Deliver(shout, "10.99.0.12");
    EXPECT_TRUE(rig.Saw("play /snd/shout.wav"));
}

TEST(MainCoreNotices, ABuddyIsLoggedAndToldOncePerStayWithAJoinThatLaunchesThere) {
    Rig rig;
    rig.settings.Buddies = "Ranger, Grunt*";
    rig.settings.Event(EventKind::NewPlayer) = {false, false, false, ""};
    rig.StartAndEndFirstSearch();
    rig.core().SetBusyCheck(false);
    rig.Reply("Arena", "q2dm1", "10.99.0.12", {{"Visor", 1, 50}});
    rig.journal.clear();

    // Told whatever the NewPlayer actions say, once while they stay.
    rig.Reply("Arena", "q2dm1", "10.99.0.12", {{"Visor", 1, 50}, {"Ranger", 0, 40}});
    rig.Reply("Arena", "q2dm1", "10.99.0.12", {{"Visor", 1, 50}, {"Ranger", 3, 40}});
    EXPECT_EQ(rig.Count("log Ranger is playing on Arena (q2dm1, 2/8)"), 1);
    EXPECT_EQ(rig.Count("notice Ranger is playing on Arena (q2dm1, 2/8) [join]"), 1);
    EXPECT_FALSE(rig.Saw("show window"));

    rig.core().NoticeActionInvoked(rig.windows.last_notice, "join");
    EXPECT_EQ(rig.spawner.argv.back(), "10.99.0.12:27910");

    // Busy: the log has it, the desktop does not.
    rig.core().SetBusyCheck(true);
    rig.journal.clear();
    rig.Reply("Base", "q2dm2", "10.99.0.13", {{"Grunt2", 0, 40}});
    EXPECT_TRUE(rig.Saw("log Grunt2 is playing on Base (q2dm2, 1/8)"));
    EXPECT_FALSE(rig.Saw("notice Grunt2 is playing on Base (q2dm2, 1/8) [join]"));
}

TEST(MainCoreNotices, ShoutsAndChallengesAreToldUnderTheirGuardsAndAcceptLaunchesTheChallenge) {
    Rig rig;
    rig.StartAndEndFirstSearch();
    rig.core().SetBusyCheck(false);
    rig.Deliver("TVNMESSWolf\tSover here", "10.99.0.12");
    EXPECT_TRUE(rig.Saw("notice Wolf shouted \"over here\" []"));
    rig.Deliver("TVNSUGGWolf\tArena\t10.99.0.20\t27911\tq2dm1", "10.99.0.12");
    EXPECT_TRUE(rig.Saw("notice Wolf challenges you\nGame : Arena\nMap : q2dm1 [accept ignore]"));
    const uint64_t challenge = rig.windows.last_notice;

    // The game running: neither the shout nor a challenge is told.
    rig.processes.game = true;
    rig.clock.AdvanceMs(GameLauncher::kScanReuseMs);
    rig.journal.clear();
    rig.Deliver("TVNMESSWolf\tSagain", "10.99.0.12");
    rig.Deliver("TVNSUGGBear\tBase\t10.99.0.21\t27910\tq2dm2", "10.99.0.12");
    EXPECT_FALSE(rig.Saw("notice Wolf shouted \"again\" []"));
    EXPECT_EQ(rig.Index("notice Bear challenges you\nGame : Base\nMap : q2dm2 [accept ignore]"), -1);

    // Accept does what the dialog's Accept does, for that challenge.
    rig.processes.game = false;
    rig.clock.AdvanceMs(GameLauncher::kScanReuseMs);
    rig.journal.clear();
    rig.core().NoticeActionInvoked(challenge, "accept");
    EXPECT_TRUE(rig.Saw("log Launching quake to "));
    EXPECT_TRUE(rig.Saw("suggest hidden"));
    EXPECT_EQ(rig.spawner.argv.back(), "10.99.0.20:27911");
}

std::vector<test::FakePlayer> Crowd(int count) {
    std::vector<test::FakePlayer> players;
    for (int i = 0; i < count; ++i) players.push_back({"P" + std::to_string(i), i, 40});
    return players;
}

TEST(MainCoreRoom, AFullServerWaitedForIsJoinedOnceByTheFirstAnswerWithRoom) {
    Rig rig;
    rig.StartAndEndFirstSearch();
    rig.core().SetBusyCheck(false);
    rig.Reply("Friday", "base1", "10.99.0.12", Crowd(2));
    rig.Reply("Arena", "q2dm1", "10.99.0.13", Crowd(8));
    rig.windows.selected_host = 0;
    EXPECT_EQ(rig.core().RoomMenuEntry(), std::nullopt) << "Friday has room";
    rig.windows.selected_host = 1;
    EXPECT_EQ(rig.core().RoomMenuEntry(), "Join when there's room");
    rig.core().RoomMenuClick();
    EXPECT_TRUE(rig.core().WaitingForRoom(1));
    EXPECT_FALSE(rig.core().WaitingForRoom(0));
    EXPECT_EQ(rig.core().RoomMenuEntry(), "Cancel joining when there's room");
    EXPECT_TRUE(rig.spawner.argv.empty());

    // Busy: a place frees, nothing starts, the wait goes on.
    rig.core().SetBusyCheck(true);
    rig.Reply("Arena", "q2dm1", "10.99.0.13", Crowd(7));
    EXPECT_TRUE(rig.spawner.argv.empty());
    EXPECT_TRUE(rig.core().WaitingForRoom(1));

    rig.core().SetBusyCheck(false);
    rig.Reply("Arena", "q2dm1", "10.99.0.13", Crowd(8));
    rig.Reply("Friday", "base1", "10.99.0.12", Crowd(1));
    EXPECT_TRUE(rig.spawner.argv.empty()) << "full again, or another server";
    rig.journal.clear();
    rig.Reply("Arena", "q2dm1", "10.99.0.13", Crowd(6));
    EXPECT_EQ(rig.Count("spawn /games/quake2/quake2"), 1);
    EXPECT_EQ(rig.spawner.argv.back(), "10.99.0.13:27910");
    EXPECT_TRUE(rig.Saw("log Launching quake to Arena"));
    EXPECT_FALSE(rig.core().WaitingForRoom(1));
    // The search the launch started hears it again: no second launch.
    rig.Reply("Arena", "q2dm1", "10.99.0.13", Crowd(6));
    rig.core().Cycle().BroadcastEnd();
    EXPECT_EQ(rig.Count("spawn /games/quake2/quake2"), 1);
}

TEST(MainCoreRoom, ALaunchElsewhereOrTheServerClosingEndsTheWait) {
    Rig rig;
    rig.settings.Retries = "1";
    rig.StartAndEndFirstSearch();
    rig.core().SetBusyCheck(false);
    rig.Reply("Friday", "base1", "10.99.0.12", Crowd(2));
    rig.Reply("Arena", "q2dm1", "10.99.0.13", Crowd(8));
    rig.windows.selected_host = 1;
    rig.core().RoomMenuClick();
    rig.windows.selected_host = 0;
    rig.core().HostListViewDblClick();
    EXPECT_FALSE(rig.core().WaitingForRoom(1)) << "the user plays on Friday now";
    rig.Reply("Arena", "q2dm1", "10.99.0.13", Crowd(7));
    EXPECT_EQ(rig.Count("spawn /games/quake2/quake2"), 1);

    // Waited for, then gone: it is waited for no more when it comes back.
    rig.Reply("Arena", "q2dm1", "10.99.0.13", Crowd(8));
    rig.Reply("Friday", "base1", "10.99.0.12", Crowd(2));
    rig.windows.selected_host = 1;
    rig.core().RoomMenuClick();
    ASSERT_TRUE(rig.core().WaitingForRoom(1));
    rig.core().Cycle().BroadcastEnd();
    rig.core().Cycle().StartSearch();
    rig.Reply("Friday", "base1", "10.99.0.12", Crowd(2));
    rig.core().Cycle().BroadcastEnd();
    ASSERT_EQ(rig.core().Hosts().size(), 1u) << "Arena closed";
    rig.Reply("Arena", "q2dm1", "10.99.0.13", Crowd(3));
    EXPECT_EQ(rig.Count("spawn /games/quake2/quake2"), 1);
}

TEST(MainCoreBuddies, ServersWithBuddiesAreMarkedAndAListChangedFromTheMenuIsNotToldAsArrivals) {
    Rig rig;
    rig.settings.Buddies = "Grunt*";
    rig.StartAndEndFirstSearch();
    rig.core().SetBusyCheck(false);
    rig.Reply("Friday", "base1", "10.99.0.12", {{"Visor", 1, 50}, {"Grunt2", 0, 30}});
    rig.Reply("Arena", "q2dm1", "10.99.0.13", {{"Ranger", 1, 50}});
    EXPECT_TRUE(rig.core().HasBuddies(0));
    EXPECT_FALSE(rig.core().HasBuddies(1));
    EXPECT_EQ(rig.core().BuddiesOn(0), std::vector<std::string>{"Grunt2"});

    rig.journal.clear();
    rig.core().SetBuddies(WithBuddy(rig.core().BuddiesSetting(), "Ranger"));
    EXPECT_EQ(rig.settings.Buddies, "Grunt*, Ranger");
    EXPECT_TRUE(rig.core().HasBuddies(1)) << "marked at once";
    rig.Reply("Arena", "q2dm1", "10.99.0.13", {{"Ranger", 2, 50}});
    EXPECT_FALSE(rig.Saw("notice Ranger is playing on Arena (q2dm1, 1/8) [join]"))
        << "the user just chose Ranger there";

    rig.core().SetBuddies(WithoutBuddy(rig.core().BuddiesSetting(), "Ranger"));
    EXPECT_FALSE(rig.core().HasBuddies(1));
    EXPECT_TRUE(rig.core().HasBuddies(0));
}

}  // namespace
}  // namespace torvane
