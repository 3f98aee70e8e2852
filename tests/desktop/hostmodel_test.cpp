// SPDX-License-Identifier: GPL-2.0-or-later
// The host list's models: rows in the host table's order until a column is
// sorted, numbers sorted as numbers, a sort that holds while the table
// changes under it, and rows that stay in step with the table when the end
// of a search removes servers and marks the rest.

#include "desktop/hostmodel.h"

#include <gtest/gtest.h>

#include <QTreeView>

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
    std::string Retries() const override { return retries; }
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
    HostTable table{host, host, host, search};
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

}  // namespace
}  // namespace torvane
