// SPDX-License-Identifier: GPL-2.0-or-later
// The main window's Qt layer over the wired core: host rows and tray
// entries in step with the host table through merges and removals, the
// rows' shared marks, the
// Busy box and the tray's Busy entry, Enter in the host list, minimising
// into the tray, and the desktop without a notification area. Whatever
// searches or launches runs on a private LAN, since both broadcast.

#include "desktop/mainform.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTest>
#include <optional>

#include "app/core_fakes.h"
#include "app/maincore.h"
#include "desktop/creditform.h"
#include "desktop/hostmodel.h"
#include "desktop/logf.h"
#include "desktop/options.h"
#include "desktop/suggest.h"
#include "desktop/userform.h"
#include "discovery/hosttable.h"
#include "launcher/launcher.h"
#include "peers/peerprotocol.h"
#include "support/fake_quake_server.h"
#include "support/isolated_lan.h"

namespace torvane {
namespace {

using namespace test;

struct Desktop {
    // `placed_first`: stored places given before the core is attached, as
    // the program does when it starts.
    explicit Desktop(bool tray = true, const WindowGeometry* placed_first = nullptr)
        : main_form([this] { return tray_available; }), tray_available(tray) {
        settings.Quake2BaseDir = "/games/quake2";
        settings.Quake2Command = "quake2";
        if (placed_first) main_form.Place(*placed_first);
        core.emplace(loop, settings, seams, CoreViews{main_form, users, suggest, log});
        main_form.Attach(&*core, nullptr, {&credits, &users, &options});
    }

    void Reply(const std::string& host, const std::string& from, int players = 0) {
        std::vector<FakePlayer> list;
        for (int i = 0; i < players; ++i) list.push_back({"P" + std::to_string(i), i, 40});
        DeliveringSocket socket(StatusReplyDatagram(host, "q2dm1", 8, list), from);
        clock.AdvanceMs(5);
        core->Cycle().DataAvailable(socket);
    }

    // What the host list shows at `row` and `column`, as it is sorted.
    std::string Cell(int row, int column) const {
        return main_form.HostListView->model()->index(row, column).data().toString().toStdString();
    }
    void Select(int row) {
        const QModelIndex at = main_form.HostListView->model()->index(row, 0);
        main_form.HostListView->selectionModel()->select(
            at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }

    // The tray's host entries, in the host table's order.
    void ExpectTrayInTableOrder(const std::vector<std::string>& hosts) {
        const QList<QAction*> menu = main_form.TrayFace().Menu().actions();
        ASSERT_GT(menu.size(), static_cast<int>(hosts.size()));
        for (std::size_t i = 0; i < hosts.size(); ++i)
            EXPECT_TRUE(menu[static_cast<int>(i)]->text().startsWith(QString::fromStdString(hosts[i])));
    }

    // Host rows, tray host entries and records, side by side.
    void ExpectInStep(const std::vector<std::string>& hosts) {
        const HostTable& table = core->Hosts();
        const QList<QAction*> menu = main_form.TrayFace().Menu().actions();
        ASSERT_EQ(table.size(), hosts.size());
        ASSERT_EQ(main_form.HostListView->model()->rowCount(), static_cast<int>(hosts.size()));
        ASSERT_TRUE(menu.size() > static_cast<int>(hosts.size()) &&
                    menu[static_cast<int>(hosts.size())]->isSeparator());
        for (std::size_t i = 0; i < hosts.size(); ++i) {
            const int row = static_cast<int>(i);
            EXPECT_EQ(table[i].HostName, hosts[i]);
            EXPECT_EQ(Cell(row, 0), hosts[i]);
            const QString shown = QString::fromStdString(hosts[i]).replace('&', "&&");
            EXPECT_TRUE(menu[row]->text().startsWith(shown)) << menu[row]->text().toStdString();
        }
    }

    Journal journal;
    Settings settings;
    ManualClock clock;
    FakeProcesses processes;
    FakeSpawner spawner{journal};
    FakeSound sound{journal};
    FixedComputerName computer_name;
    MessageLoop loop;
    CoreSeams seams{clock, processes, spawner, sound, computer_name};
    TMainForm main_form;
    bool tray_available;
    TCreditForm credits;
    UsersWindow users;
    ChallengeDialog suggest;
    LogWindow log;
    OptionsDialog options{settings};
    std::optional<MainCore> core;
};

TEST(MainForm, HostRowsAndTrayEntriesFollowTheTableThroughMergesAndRemovals) {
    SKIP_WITHOUT_PRIVATE_LAN();
    EXPECT_EQ(0, RunInIsolatedLan([] {
                  Desktop desktop;
                  desktop.settings.Retries = "0";
                  desktop.core->Cycle().StartSearch();
                  desktop.Reply("Alpha", "10.99.0.21");
                  desktop.Reply("Bravo & Co", "10.99.0.22", 2);
                  desktop.Reply("Charlie", "10.99.0.23");
                  desktop.Reply("Bravo & Co", "10.99.0.22", 3);  // a second answer changes no row count
                  desktop.core->Cycle().BroadcastEnd();
                  desktop.ExpectInStep({"Alpha", "Bravo & Co", "Charlie"});
                  EXPECT_EQ(desktop.Cell(1, 2), "3/8");
                  EXPECT_EQ(desktop.Cell(1, 4), "10.99.0.22:27910");
                  EXPECT_EQ(desktop.main_form.TrayFace().Menu().actions()[1]->text().toStdString(),
                            "Bravo && Co 3/8")
                      << "an '&' in a host name is no shortcut key";

                  // The middle server falls silent and goes; a new one comes.
                  desktop.core->Cycle().StartSearch();
                  desktop.Reply("Alpha", "10.99.0.21");
                  desktop.Reply("Charlie", "10.99.0.23");
                  desktop.Reply("Delta", "10.99.0.24");
                  desktop.core->Cycle().BroadcastEnd();
                  desktop.ExpectInStep({"Alpha", "Charlie", "Delta"});

                  // A tray host entry launches into its own server.
                  desktop.main_form.TrayFace().Menu().actions()[1]->trigger();
                  ASSERT_FALSE(desktop.spawner.argv.empty());
                  EXPECT_EQ(desktop.spawner.argv.back(), "10.99.0.23:27910");
              }));
}

TEST(MainForm, EveryRowSharesOneOfTheTwoPaintedMarks) {
    SKIP_WITHOUT_PRIVATE_LAN();
    EXPECT_EQ(0, RunInIsolatedLan([] {
                  Desktop desktop;
                  desktop.settings.Retries = "5";
                  for (const bool bravo_answers : {true, false}) {
                      desktop.core->Cycle().StartSearch();
                      desktop.Reply("Alpha", "10.99.0.21");
                      if (bravo_answers) desktop.Reply("Bravo", "10.99.0.22");
                      desktop.Reply("Charlie", "10.99.0.23");
                      desktop.core->Cycle().BroadcastEnd();
                  }
                  desktop.ExpectInStep({"Alpha", "Bravo", "Charlie"});
                  const auto mark = [&](int row) {
                      const QModelIndex at = desktop.main_form.HostListView->model()->index(row, 0);
                      return at.data(Qt::DecorationRole).value<QIcon>();
                  };
                  ASSERT_FALSE(mark(0).isNull());
                  ASSERT_FALSE(mark(1).isNull());
                  // Thousands of rows must not hold a picture each.
                  EXPECT_EQ(mark(0).cacheKey(), mark(2).cacheKey()) << "both answered";
                  EXPECT_NE(mark(0).cacheKey(), mark(1).cacheKey()) << "Bravo fell silent";
              }));
}

TEST(MainForm, EnterInTheHostListLaunchesIntoTheSelectedRowOnly) {
    SKIP_WITHOUT_PRIVATE_LAN();
    EXPECT_EQ(0, RunInIsolatedLan([] {
                  Desktop desktop;
                  // Servers answer a search.
                  desktop.core->Cycle().StartSearch();
                  desktop.Reply("Alpha", "10.99.0.21");
                  desktop.Reply("Bravo", "10.99.0.22");
                  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                  QApplication::sendEvent(desktop.main_form.HostListView, &enter);
                  EXPECT_TRUE(desktop.spawner.argv.empty()) << "no row selected";

                  desktop.Select(1);
                  QKeyEvent keypad(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier);
                  QApplication::sendEvent(desktop.main_form.HostListView, &keypad);
                  ASSERT_FALSE(desktop.spawner.argv.empty());
                  EXPECT_EQ(desktop.spawner.argv.back(), "10.99.0.22:27910");
              }));
}

// A launch that fails says so in a box that stays until read, names what was
// tried and where to change it, and holds up nothing; the status text shows
// whole as its tip.
TEST(MainForm, AFailedLaunchOpensABoxThatNamesTheProgramAndTheDirectory) {
    SKIP_WITHOUT_PRIVATE_LAN();
    EXPECT_EQ(0, RunInIsolatedLan([] {
                  Desktop desktop;
                  desktop.spawner.succeed = false;
                  desktop.core->Cycle().StartSearch();
                  desktop.Reply("Alpha", "10.99.0.21");
                  desktop.Select(0);
                  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                  QApplication::sendEvent(desktop.main_form.HostListView, &enter);

                  const auto boxes = desktop.main_form.findChildren<QMessageBox*>();
                  ASSERT_EQ(boxes.size(), 1);
                  const QMessageBox* box = boxes.front();
                  EXPECT_TRUE(box->isVisible());
                  EXPECT_EQ(box->windowModality(), Qt::NonModal);
                  EXPECT_EQ(box->windowTitle(), "Torvane");
                  EXPECT_EQ(box->text().toStdString(),
                            LaunchFailureText("/games/quake2/quake2", "/games/quake2",
                                              "No such file or directory"));
                  const QLabel* status = desktop.main_form.StatusPanels[1];
                  EXPECT_EQ(status->text(), "Quake could not be started: No such file or directory");
                  EXPECT_EQ(status->toolTip(), status->text());
              }));
}

// Busy never sends anything before the first search: no LAN needed.
TEST(MainForm, TheBusyBoxAndTheTraysBusyEntryMoveTogether) {
    Desktop desktop;
    QCheckBox& box = *desktop.main_form.BusyCheck;
    QAction& entry = desktop.main_form.TrayFace().BusyEntry();
    ASSERT_TRUE(box.isChecked());
    ASSERT_TRUE(entry.isChecked());

    box.click();  // the user unticks the box
    EXPECT_FALSE(desktop.core->BusyChecked());
    EXPECT_FALSE(entry.isChecked());

    entry.trigger();  // the tray turns Busy on again
    EXPECT_TRUE(desktop.core->BusyChecked());
    EXPECT_TRUE(box.isChecked());
    EXPECT_TRUE(entry.isChecked());

    desktop.core->SetBusyCheck(false);  // program code, as a launch does
    EXPECT_FALSE(box.isChecked());
    EXPECT_FALSE(entry.isChecked());
    EXPECT_EQ(desktop.core->Peers().OwnStatus(), PeerStatus::Ready);
}

TEST(MainForm, MinimisingPutsEveryWindowIntoTheTrayAndALeftClickBringsBackOnlyTheMain) {
    Desktop desktop;
    for (QWidget* window : std::initializer_list<QWidget*>{&desktop.main_form, &desktop.options,
                                                           &desktop.users, &desktop.credits})
        window->show();
    desktop.main_form.showMinimized();
    QApplication::processEvents();
    for (QWidget* window : std::initializer_list<QWidget*>{&desktop.main_form, &desktop.options,
                                                           &desktop.users, &desktop.credits})
        EXPECT_FALSE(window->isVisible()) << window->windowTitle().toStdString();
    EXPECT_FALSE(desktop.main_form.isMinimized());

    emit desktop.main_form.TrayFace().LeftClicked();
    EXPECT_TRUE(desktop.main_form.isVisible());
    EXPECT_FALSE(desktop.users.isVisible());
    EXPECT_FALSE(desktop.options.isVisible());
}

TEST(MainForm, WithoutANotificationAreaMinimisingIsOrdinaryAndStartUpShowsTheWindow) {
    Desktop desktop(false);
    EXPECT_TRUE(desktop.main_form.Tray().StartShown(true));
    desktop.users.show();
    desktop.main_form.show();
    desktop.main_form.showMinimized();
    QApplication::processEvents();
    EXPECT_TRUE(desktop.main_form.isMinimized());
    EXPECT_TRUE(desktop.main_form.isVisible()) << "minimised, still reachable from the task bar";
    EXPECT_TRUE(desktop.users.isVisible());
}

// Servers answer a search (a reply outside every search adds no server),
// so the window is shown and clicked on a private LAN.
TEST(MainForm, AHeaderClickSortsTheHostListButNotTheTrayAndTheSortHoldsAcrossSearches) {
    SKIP_WITHOUT_PRIVATE_LAN();
    EXPECT_EQ(0, RunInIsolatedLan([] {
                  Desktop desktop;
                  desktop.main_form.show();
                  desktop.core->Cycle().StartSearch();
                  desktop.Reply("Alpha", "10.99.0.21", 2);
                  desktop.Reply("Bravo", "10.99.0.22", 10);
                  desktop.Reply("Charlie", "10.99.0.23", 3);
                  desktop.core->Cycle().BroadcastEnd();
                  QHeaderView& header = *desktop.main_form.HostListView->header();
                  const auto click = [&](int column) {
                      const QPoint at(header.sectionViewportPosition(column) + 5, header.height() / 2);
                      QTest::mouseClick(header.viewport(), Qt::LeftButton, Qt::NoModifier, at);
                  };
                  const auto hosts = [&] {
                      return desktop.Cell(0, 0) + desktop.Cell(1, 0) + desktop.Cell(2, 0);
                  };
                  EXPECT_EQ(hosts(), "AlphaBravoCharlie") << "the table's order until the user sorts";
                  click(HostListModel::kPlayers);
                  EXPECT_EQ(hosts(), "AlphaCharlieBravo") << "2 before 3 before 10";
                  click(HostListModel::kPlayers);
                  EXPECT_EQ(hosts(), "BravoCharlieAlpha") << "a second click reverses";
                  desktop.ExpectTrayInTableOrder({"Alpha", "Bravo", "Charlie"});

                  // The sort holds through the next replies and the end of their search;
                  // a selected row stands for its own record.
                  desktop.core->Cycle().StartSearch();
                  desktop.Reply("Alpha", "10.99.0.21", 12);
                  desktop.core->Cycle().BroadcastEnd();
                  EXPECT_EQ(hosts(), "AlphaBravoCharlie");
                  desktop.Select(2);
                  EXPECT_EQ(desktop.main_form.SelectedHostRow(), 2) << "Charlie is record 2";
                  QAbstractItemModel& players = *desktop.main_form.PlayersListView->model();
                  ASSERT_EQ(players.rowCount(), 3);
                  EXPECT_EQ(players.index(0, 0).data().toString(), "P2") << "the most frags first";
                  EXPECT_EQ(players.index(0, 2).data().toString(), "40") << "the player's ping";
              }));
}

// No search, no LAN: the window's own geometry.
TEST(MainForm, SizeSplitColumnsAndSortsAreStoredAndRestored) {
    Desktop desktop;
    WindowGeometry built_in;
    desktop.main_form.show();
    EXPECT_EQ(desktop.main_form.width(), built_in.MainWidth);
    EXPECT_EQ(desktop.main_form.height(), built_in.MainHeight);
    EXPECT_EQ(desktop.main_form.HostListView->header()->sortIndicatorSection(), -1) << "the table's order";

    WindowGeometry stored;
    stored.MainLeft = 40;
    stored.MainTop = 30;
    stored.MainWidth = 900;
    stored.MainHeight = 500;
    stored.HostListWidth = 610;
    stored.HostColumnWidths = "200,90,60,45,150";
    stored.HostSortColumn = HostListModel::kPing;
    stored.HostSortDescending = true;
    stored.PlayerSortColumn = PlayerListModel::kName;
    stored.PlayerSortDescending = false;
    desktop.main_form.Place(stored);
    QApplication::processEvents();
    WindowGeometry taken;
    desktop.main_form.TakePlace(taken);
    EXPECT_EQ(taken.MainWidth, 900);
    EXPECT_EQ(taken.MainHeight, 500);
    EXPECT_EQ(taken.HostListWidth, 610);
    EXPECT_EQ(taken.HostColumnWidths.substr(0, 13), "200,90,60,45,") << taken.HostColumnWidths;
    EXPECT_EQ(taken.HostSortColumn, HostListModel::kPing);
    EXPECT_TRUE(taken.HostSortDescending);
    EXPECT_EQ(taken.PlayerSortColumn, PlayerListModel::kName);
    EXPECT_FALSE(taken.PlayerSortDescending);

    // Stored widths that are no widths leave the columns as they were.
    WindowGeometry odd = taken;
    odd.HostColumnWidths = "x,-5,,99999";
    desktop.main_form.Place(odd);
    WindowGeometry again;
    desktop.main_form.TakePlace(again);
    EXPECT_EQ(again.HostColumnWidths.substr(0, 13), "200,90,60,45,");
}

// The menus of the two lists, as the user opens them: the host menu's
// entries follow the selected server, the player menu edits the buddies,
// and the marks and the buddies-first sort follow at once.
TEST(MainForm, TheMenusCopyTheJoinLinkWaitForRoomAndEditTheBuddiesWithTheirMarks) {
    SKIP_WITHOUT_PRIVATE_LAN();
    EXPECT_EQ(0, RunInIsolatedLan([] {
                  Desktop desktop;
                  desktop.settings.Buddies = "Grunt*";
                  desktop.main_form.show();
                  desktop.core->Cycle().StartSearch();
                  desktop.Reply("Alpha", "10.99.0.21", 2);
                  desktop.Reply("Bravo", "10.99.0.22", 8);
                  TMainForm& form = desktop.main_form;

                  desktop.Select(1);
                  form.UpdateHostMenu();
                  ASSERT_TRUE(form.RoomAction->isVisible());
                  EXPECT_EQ(form.RoomAction->text(), "Join when there's room");
                  ASSERT_TRUE(form.CopyLinkAction->isEnabled());
                  form.CopyLinkAction->trigger();
                  EXPECT_EQ(QGuiApplication::clipboard()->text(), "quake2://connect/10.99.0.22:27910");
                  form.RoomAction->trigger();
                  EXPECT_TRUE(desktop.core->WaitingForRoom(1));
                  const QModelIndex bravo_players = form.Hosts->index(1, HostListModel::kPlayers);
                  EXPECT_FALSE(bravo_players.data(Qt::DecorationRole).value<QIcon>().isNull())
                      << "the row waits";
                  EXPECT_EQ(desktop.Cell(1, HostListModel::kPlayers), "8/8") << "its text as it was";
                  form.UpdateHostMenu();
                  EXPECT_EQ(form.RoomAction->text(), "Cancel joining when there's room");
                  desktop.Select(0);
                  form.UpdateHostMenu();
                  EXPECT_FALSE(form.RoomAction->isVisible()) << "Alpha has room";

                  // Bravo's players, most frags first: P7 is row 0.
                  desktop.Select(1);
                  ASSERT_TRUE(form.UpdatePlayerMenu(0));
                  EXPECT_EQ(form.BuddyAction->text(), "Add to buddies");
                  ASSERT_TRUE(form.BuddyAction->isEnabled());
                  form.BuddyAction->trigger();
                  EXPECT_EQ(desktop.settings.Buddies, "Grunt*, P7");
                  EXPECT_TRUE(form.Players.index(7, 0).data(Qt::FontRole).value<QFont>().bold());
                  EXPECT_TRUE(form.Hosts->index(1, 0).data(Qt::FontRole).value<QFont>().bold());
                  EXPECT_FALSE(form.Hosts->index(0, 0).data(Qt::FontRole).isValid());

                  EXPECT_EQ(desktop.Cell(0, 0), "Alpha");
                  form.BuddiesFirstAction->trigger();
                  EXPECT_EQ(desktop.Cell(0, 0), "Bravo") << "buddies first";
                  WindowGeometry taken;
                  form.TakePlace(taken);
                  EXPECT_TRUE(taken.HostBuddiesFirst);

                  ASSERT_TRUE(form.UpdatePlayerMenu(0));
                  EXPECT_EQ(form.BuddyAction->text(), "Remove from buddies");
                  form.BuddyAction->trigger();
                  EXPECT_EQ(desktop.settings.Buddies, "Grunt*");
                  EXPECT_EQ(desktop.Cell(0, 0), "Alpha") << "no buddy on Bravo now";
                  taken.HostBuddiesFirst = false;
                  form.Place(taken);
                  EXPECT_FALSE(form.BuddiesFirstAction->isChecked());
              }));
}

// At start the window is placed before the host list has its columns.
TEST(MainForm, PlacesStoredBeforeTheCoreIsAttachedHoldOnceItIs) {
    WindowGeometry stored;
    stored.HostColumnWidths = "210,70,55,44,150";
    stored.HostSortColumn = HostListModel::kPing;
    stored.HostSortDescending = true;
    Desktop desktop(true, &stored);
    WindowGeometry taken;
    desktop.main_form.TakePlace(taken);
    EXPECT_EQ(taken.HostColumnWidths.substr(0, 13), "210,70,55,44,") << taken.HostColumnWidths;
    EXPECT_EQ(taken.HostSortColumn, HostListModel::kPing);
    EXPECT_TRUE(taken.HostSortDescending);

    // Without stored widths, the built-in ones.
    Desktop fresh;
    WindowGeometry built_in;
    fresh.main_form.TakePlace(built_in);
    EXPECT_EQ(built_in.HostColumnWidths.substr(0, 10), "185,80,51,") << built_in.HostColumnWidths;
}

}  // namespace
}  // namespace torvane
