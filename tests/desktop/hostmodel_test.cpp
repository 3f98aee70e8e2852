// SPDX-License-Identifier: GPL-2.0-or-later
// The host list's models: rows in the host table's order until a column is
// sorted, numbers sorted as numbers, a sort that holds while the table
// changes under it, and rows that stay in step with the table when the end
// of a search removes servers and marks the rest.

#include "desktop/hostmodel.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QPixmap>
#include <QTest>
#include <QTreeView>
#include <algorithm>

#include "discovery/hosttable.h"
#include "discovery/quiethost.h"
#include "discovery/trayicon.h"

namespace torvane {
namespace {

TQuakeServer Server(const std::string& address, const std::string& host, int players, int ping) {
    TQuakeServer server;
    server.Address = address;
    server.HostName = host;
    server.Port = "27910";
    server.MapName = "q2dm1";
    server.MaxClients = 16;
    server.Ping = ping;
    for (int i = 0; i < players; ++i) server.Players.push_back({"P" + std::to_string(i), i, 30});
    return server;
}

struct Host final : QuietHost {
    NumberText Retries() const override { return {kRetriesField, retries}; }
    std::string retries = "5";
};

struct Rig {
    Rig() {
        table.Subscribe(model);
        search.FirstSearch = false;
    }
    // Column `column` of every row as the sorted list shows it.
    std::vector<std::string> Column(int column) const {
        std::vector<std::string> cells;
        for (int row = 0; row < sorted.rowCount(); ++row)
            cells.push_back(sorted.index(row, column).data().toString().toStdString());
        return cells;
    }

    Host host;
    SearchState search;
    HostTable table{host, host.AsServices(), host, search};
    HostListModel model{table, {QIcon(), QIcon()}};
    SortedList sorted{&model};
};

using Texts = std::vector<std::string>;

TEST(HostListModel, KeepsTheTableOrderUntilSortedAndSortsNumbersAsNumbers) {
    Rig rig;
    rig.table.MergeServer(Server("10.99.0.9", "Bravo", 10, 120));
    rig.table.MergeServer(Server("10.99.0.10", "alpha", 9, -1));
    rig.table.MergeServer(Server("10.99.0.2", "Charlie", 2, 9));
    EXPECT_EQ(rig.Column(HostListModel::kHost), (Texts{"Bravo", "alpha", "Charlie"}));
    EXPECT_EQ(rig.Column(HostListModel::kPlayers), (Texts{"10/16", "9/16", "2/16"}));
    EXPECT_EQ(rig.Column(HostListModel::kPing), (Texts{"120", "", "9"})) << "blank until it answered";
    EXPECT_EQ(rig.Column(HostListModel::kAddress),
              (Texts{"10.99.0.9:27910", "10.99.0.10:27910", "10.99.0.2:27910"}));

    rig.sorted.sort(HostListModel::kPing, Qt::AscendingOrder);
    EXPECT_EQ(rig.Column(HostListModel::kHost), (Texts{"Charlie", "Bravo", "alpha"}))
        << "9 before 120, silent last";
    rig.sorted.sort(HostListModel::kPlayers, Qt::AscendingOrder);
    EXPECT_EQ(rig.Column(HostListModel::kHost), (Texts{"Charlie", "alpha", "Bravo"}));
    rig.sorted.sort(HostListModel::kPlayers, Qt::DescendingOrder);
    EXPECT_EQ(rig.Column(HostListModel::kHost), (Texts{"Bravo", "alpha", "Charlie"}));
    rig.sorted.sort(HostListModel::kAddress, Qt::AscendingOrder);
    EXPECT_EQ(rig.Column(HostListModel::kHost), (Texts{"Charlie", "Bravo", "alpha"})) << ".2 < .9 < .10";
    rig.sorted.sort(HostListModel::kHost, Qt::AscendingOrder);
    EXPECT_EQ(rig.Column(HostListModel::kHost), (Texts{"alpha", "Bravo", "Charlie"})) << "case aside";

    // No column is the table's order again.
    rig.sorted.sort(-1, Qt::AscendingOrder);
    EXPECT_EQ(rig.Column(HostListModel::kHost), (Texts{"Bravo", "alpha", "Charlie"}));
}

TEST(HostListModel, ASortHoldsAsRepliesChangeAndNewServersArrive) {
    Rig rig;
    rig.table.MergeServer(Server("10.99.0.1", "A", 1, 50));
    rig.table.MergeServer(Server("10.99.0.2", "B", 1, 20));
    rig.sorted.sort(HostListModel::kPing, Qt::AscendingOrder);
    EXPECT_EQ(rig.Column(HostListModel::kHost), (Texts{"B", "A"}));
    rig.table.MergeServer(Server("10.99.0.1", "A", 1, 5));
    rig.table.MergeServer(Server("10.99.0.3", "C", 1, 30));
    EXPECT_EQ(rig.Column(HostListModel::kHost), (Texts{"A", "B", "C"}));
    EXPECT_EQ(rig.table[0].HostName, "A") << "the table itself keeps its order";
    EXPECT_EQ(rig.table[2].HostName, "C");
}

TEST(HostListModel, TheEndOfASearchRemovesAndMarksRowsInStepWithTheTable) {
    Rig rig;
    rig.host.retries = "1";
    for (int i = 1; i <= 6; ++i)
        rig.table.MergeServer(Server("10.99.0." + std::to_string(i), "S" + std::to_string(i), i, 10 * i));
    rig.sorted.sort(HostListModel::kPing, Qt::DescendingOrder);
    rig.table.MarkAllUnanswered();
    for (int i : {2, 5})
        rig.table.MergeServer(Server("10.99.0." + std::to_string(i), "S" + std::to_string(i), i, 10 * i));
    rig.table.CountMisses();
    ASSERT_EQ(rig.model.rowCount(), 2);
    EXPECT_EQ(rig.Column(HostListModel::kHost), (Texts{"S5", "S2"}));
    for (std::size_t i = 0; i < rig.table.size(); ++i) {
        EXPECT_EQ(rig.model.index(static_cast<int>(i), 0).data().toString().toStdString(),
                  rig.table[i].HostName);
        EXPECT_EQ(rig.table.Mark(i), kRowAnswered);
    }
}

TQuakeServer From(TQuakeServer server, ServerSource source) {
    server.Source = source;
    return server;
}

// Hiding the master-listed servers is the proxy's: the rows stay in the
// model (the tray and the table keep them), and one that turns out to be
// near shows again at once.
TEST(HostListModel, SourcesSortNearestFirstAndMasterListedRowsHideWithoutLeavingTheModel) {
    Rig rig;
    SortedHostList hosts(&rig.model);
    rig.table.MergeServer(From(Server("10.99.0.1", "Far", 1, 80), ServerSource::Master));
    rig.table.MergeServer(From(Server("10.99.0.2", "Near", 1, 3), ServerSource::Lan));
    rig.table.MergeServer(From(Server("10.99.0.3", "Fav", 1, 40), ServerSource::Favourite));
    rig.table.MergeServer(From(Server("10.99.0.4", "Farther", 1, 90), ServerSource::Master));
    EXPECT_EQ(rig.Column(HostListModel::kSource), (Texts{"Master", "LAN", "Favourite", "Master"}));
    EXPECT_EQ(rig.model.headerData(HostListModel::kSource, Qt::Horizontal, Qt::DisplayRole).toString(),
              "Source");
    EXPECT_EQ(HostListModel::kSource, HostListModel::kAddress + 1);

    const auto shown = [&] {
        Texts names;
        for (int row = 0; row < hosts.rowCount(); ++row)
            names.push_back(hosts.index(row, HostListModel::kHost).data().toString().toStdString());
        return names;
    };
    hosts.sort(HostListModel::kSource, Qt::AscendingOrder);
    EXPECT_EQ(shown(), (Texts{"Near", "Fav", "Far", "Farther"}));
    hosts.sort(HostListModel::kHost, Qt::AscendingOrder);
    hosts.ShowMasterListed(false);
    EXPECT_EQ(shown(), (Texts{"Fav", "Near"}));
    EXPECT_EQ(rig.model.rowCount(), 4);

    // Far answers the broadcast too: it is a LAN server now, and shows.
    rig.table.MergeServer(From(Server("10.99.0.1", "Far", 2, 2), ServerSource::Lan));
    EXPECT_EQ(shown(), (Texts{"Far", "Fav", "Near"}));
    EXPECT_EQ(hosts.index(0, HostListModel::kSource).data().toString(), "LAN");
    hosts.ShowMasterListed(true);
    EXPECT_EQ(shown(), (Texts{"Far", "Farther", "Fav", "Near"}));
}

TEST(PlayerListModel, SortsByFragsHighestFirstUntilAnotherColumnIsChosen) {
    PlayerListModel players;
    SortedList sorted(&players);
    sorted.sort(PlayerListModel::kFrags, Qt::DescendingOrder);
    players.Show({{"Ann", 3, 40}, {"Bob", 12, 90}, {"Cid", -2, 7}, {"Dee", 12, 15}});
    auto names = [&] {
        Texts cells;
        for (int row = 0; row < sorted.rowCount(); ++row)
            cells.push_back(sorted.index(row, PlayerListModel::kName).data().toString().toStdString());
        return cells;
    };
    EXPECT_EQ(names(), (Texts{"Bob", "Dee", "Ann", "Cid"})) << "equal frags keep the reply's order";
    sorted.sort(PlayerListModel::kPing, Qt::AscendingOrder);
    EXPECT_EQ(names(), (Texts{"Cid", "Dee", "Ann", "Bob"}));
    EXPECT_EQ(sorted.index(0, PlayerListModel::kPing).data().toString(), "7");
}

// Marks as the core would answer them, by host name.
struct NamedMarks final : HostRowMarks {
    explicit NamedMarks(const HostTable& table) : table(table) {}
    bool HasBuddies(std::size_t index) const override { return Has(buddies, index); }
    std::vector<std::string> BuddiesOn(std::size_t) const override { return {"Ranger", "Grunt & Co"}; }
    bool WaitingForRoom(std::size_t index) const override { return Has(waiting, index); }
    bool Has(const Texts& names, std::size_t index) const {
        return std::find(names.begin(), names.end(), table[index].HostName) != names.end();
    }
    const HostTable& table;
    Texts buddies;
    Texts waiting;
};

// A view repaints, and a sorting proxy sorts again, the rows a change
// names: a reply names its own row, not the thousand others of a large
// list; the end of a search the rows whose mark changed and those that
// moved up past a removed one. When a reply changes the buddy or room marks
// of other rows (the buddy list was edited), every row is named a moment
// later, and only then.
TEST(HostListModel, AReplyNamesOnlyItsOwnRowAndTheEndOfASearchOnlyTheRowsItChanged) {
    Rig rig;
    rig.host.retries = "1";
    NamedMarks marks(rig.table);
    rig.model.SetRowMarks(&marks, QIcon(), QIcon());
    const auto merge = [&](int i) {
        rig.table.MergeServer(Server("10.99.0." + std::to_string(i), "S" + std::to_string(i), i, 10 * i));
    };
    for (int i = 1; i <= 6; ++i) merge(i);
    std::vector<std::pair<int, int>> named;
    QObject::connect(&rig.model, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& top_left, const QModelIndex& bottom_right) {
                         EXPECT_EQ(top_left.column(), 0);
                         EXPECT_EQ(bottom_right.column(), HostListModel::kColumnCount - 1);
                         named.emplace_back(top_left.row(), bottom_right.row());
                     });
    using Ranges = std::vector<std::pair<int, int>>;
    merge(4);
    EXPECT_EQ(named, (Ranges{{3, 3}}));
    named.clear();
    merge(7);
    EXPECT_EQ(named, (Ranges{{6, 6}})) << "a new server's row";

    rig.table.MarkAllUnanswered();
    for (int i = 1; i <= 7; ++i) merge(i);
    named.clear();
    rig.table.CountMisses();
    EXPECT_EQ(named, (Ranges{{0, 6}})) << "every row got its first mark";

    rig.table.MarkAllUnanswered();
    for (int i : {1, 2, 3, 4, 6, 7}) merge(i);
    named.clear();
    rig.table.CountMisses();
    ASSERT_EQ(rig.model.rowCount(), 6);
    EXPECT_EQ(named, (Ranges{{4, 5}})) << "S6 and S7 moved up past S5; no mark changed";
    EXPECT_EQ(rig.Column(HostListModel::kHost), (Texts{"S1", "S2", "S3", "S4", "S6", "S7"}));

    marks.buddies = {"S2", "S7"};
    marks.waiting = {"S3"};
    named.clear();
    merge(6);
    EXPECT_EQ(named, (Ranges{{4, 4}})) << "S6 answered";
    EXPECT_TRUE(QTest::qWaitFor([&] { return named.size() >= 2; }, 5000));
    EXPECT_EQ(named, (Ranges{{4, 4}, {0, 5}})) << "then every row: S2, S3 and S7 marked";
    named.clear();
    merge(6);
    QTest::qWait(static_cast<int>(HostListModel::kMarksCheck.count()) * 3);
    EXPECT_EQ(named, (Ranges{{4, 4}})) << "no mark changed";
}

TEST(HostListModel, BuddiesFirstHoldsInEitherDirectionAndWithoutAColumn) {
    Rig rig;
    NamedMarks marks(rig.table);
    marks.buddies = {"B", "D"};
    rig.model.SetRowMarks(&marks, QIcon(), QIcon());
    rig.table.MergeServer(Server("10.99.0.1", "A", 1, 40));
    rig.table.MergeServer(Server("10.99.0.2", "B", 2, 30));
    rig.table.MergeServer(Server("10.99.0.3", "C", 3, 20));
    rig.table.MergeServer(Server("10.99.0.4", "D", 4, 10));
    rig.sorted.SetFirst([&](int row) { return rig.model.HasBuddies(row); });
    EXPECT_EQ(rig.Column(HostListModel::kHost), (Texts{"B", "D", "A", "C"})) << "then the table's order";
    rig.sorted.sort(HostListModel::kPing, Qt::AscendingOrder);
    EXPECT_EQ(rig.Column(HostListModel::kHost), (Texts{"D", "B", "C", "A"}));
    rig.sorted.sort(HostListModel::kPing, Qt::DescendingOrder);
    EXPECT_EQ(rig.Column(HostListModel::kHost), (Texts{"B", "D", "A", "C"})) << "buddies stay on top";

    // Marks that change with the table move their rows, a moment later.
    marks.buddies = {"C"};
    rig.table.MergeServer(Server("10.99.0.3", "C", 3, 20));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return rig.Column(HostListModel::kHost) == Texts{"C", "A", "B", "D"};
        },
        5000));
    EXPECT_EQ(rig.Column(HostListModel::kHost), (Texts{"C", "A", "B", "D"}));
    // Marks that change without it, once the model is told.
    marks.buddies = {"A"};
    rig.model.MarksChanged();
    EXPECT_EQ(rig.Column(HostListModel::kHost), (Texts{"A", "B", "C", "D"}));

    rig.sorted.SetFirst({});
    EXPECT_EQ(rig.Column(HostListModel::kHost), (Texts{"A", "B", "C", "D"}));
    rig.sorted.sort(-1, Qt::AscendingOrder);
    marks.buddies = {"D"};
    rig.model.MarksChanged();
    EXPECT_EQ(rig.Column(HostListModel::kHost), (Texts{"A", "B", "C", "D"})) << "off: the table's order";
}

TEST(HostListModel, MarksLeaveTheTextsAsTheyAre) {
    Rig rig;
    NamedMarks marks(rig.table);
    marks.buddies = {"A"};
    marks.waiting = {"A", "B"};
    const QIcon buddy = [] {
        QPixmap pixmap(4, 4);
        pixmap.fill(Qt::blue);
        return QIcon(pixmap);
    }();
    const QIcon waiting = [] {
        QPixmap pixmap(4, 4);
        pixmap.fill(Qt::red);
        return QIcon(pixmap);
    }();
    rig.table.MergeServer(Server("10.99.0.1", "A", 16, 40));
    rig.table.MergeServer(Server("10.99.0.2", "B", 16, 30));
    rig.table.MergeServer(Server("10.99.0.3", "C", 2, 30));
    const Texts before = rig.Column(HostListModel::kPlayers);
    rig.model.SetRowMarks(&marks, buddy, waiting);
    marks.waiting = {"B"};
    rig.model.MarksChanged();
    EXPECT_EQ(rig.Column(HostListModel::kPlayers), before);
    EXPECT_EQ(rig.Column(HostListModel::kHost), (Texts{"A", "B", "C"}));
    const auto at = [&](int row, int column, int role) { return rig.model.index(row, column).data(role); };
    EXPECT_TRUE(at(0, HostListModel::kMap, Qt::FontRole).value<QFont>().bold()) << "the whole row";
    EXPECT_FALSE(at(1, HostListModel::kHost, Qt::FontRole).isValid());
    EXPECT_EQ(at(0, HostListModel::kPlayers, Qt::DecorationRole).value<QIcon>().cacheKey(), buddy.cacheKey());
    EXPECT_EQ(at(1, HostListModel::kPlayers, Qt::DecorationRole).value<QIcon>().cacheKey(),
              waiting.cacheKey());
    EXPECT_FALSE(at(2, HostListModel::kPlayers, Qt::DecorationRole).isValid());
    EXPECT_EQ(at(0, HostListModel::kHost, Qt::ToolTipRole).toString(), "Buddies here: Ranger, Grunt & Co");
    EXPECT_EQ(at(1, HostListModel::kHost, Qt::ToolTipRole).toString(),
              "Waiting for room: the game starts here when a place frees");
    EXPECT_FALSE(at(2, HostListModel::kHost, Qt::ToolTipRole).isValid());
}

}  // namespace
}  // namespace torvane
