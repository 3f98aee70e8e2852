// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QSortFilterProxyModel>
#include <array>
#include <vector>

#include "discovery/hostlistener.h"
#include "model/quakeserver.h"

namespace torvane {

class HostTable;

// The role a sorting proxy compares by: numbers for the number columns, so
// that 10 comes after 9.
inline constexpr int kSortRole = Qt::UserRole;

// The host table as Qt's views read it: one row per record, in the table's
// order, with the columns Host, Map, Players, Ping and Address. It follows
// the table's announcements; the changes of one reply or of one end of a
// search reach the views as one, once the table is whole again.
class HostListModel final : public QAbstractTableModel, public HostTableListener {
    Q_OBJECT

public:
    enum Column { kHost, kMap, kPlayers, kPing, kAddress, kColumnCount };

    // `marks` are the answered and the silent row's pictures, shared by
    // every row.
    HostListModel(const HostTable& table, std::array<QIcon, 2> marks, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // HostTableListener.
    void ChangesBegin() override { ++depth_; }
    void ChangesEnd() override;
    void ServerAdded(std::size_t index) override;
    void ServerChanged(std::size_t index, unsigned what) override;
    void ServerRemoved(std::size_t index) override;

private:
    const HostTable& table_;
    const std::array<QIcon, 2> marks_;
    int rows_ = 0;  // what the views were told, which the table may be ahead of
    int depth_ = 0;
    bool changed_ = false;
};

// The player list of one server: Name, Frags and Ping, a copy of the
// players the server last reported when it was shown.
class PlayerListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { kName, kFrags, kPing, kColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    void Show(std::vector<Player> players);
    const std::vector<Player>& Players() const { return players_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<Player> players_;
};

// The sort of a list as the user chose it: a column and its direction, or
// none (the model's own order).
struct ListSort {
    int column = -1;
    bool descending = false;
};

// A proxy that sorts by kSortRole and keeps equal rows in the model's
// order; "no column" is the model's own order.
class SortedList final : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit SortedList(QAbstractItemModel* source, QObject* parent = nullptr);
};

}  // namespace torvane
