// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QSortFilterProxyModel>
#include <QTimer>
#include <array>
#include <chrono>
#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "discovery/hostlistener.h"
#include "model/quakeserver.h"
#include "peers/buddies.h"

namespace torvane {

class HostTable;

// The role a sorting proxy compares by: numbers for the number columns, so
// that 10 comes after 9.
inline constexpr int kSortRole = Qt::UserRole;

// What the host list marks beside a server's texts, by record: the texts
// themselves stay as they are, so sorting and every other reader of them
// see no difference.
class HostRowMarks {
public:
    virtual ~HostRowMarks() = default;
    virtual bool HasBuddies(std::size_t index) const = 0;
    virtual std::vector<std::string> BuddiesOn(std::size_t index) const = 0;
    virtual bool WaitingForRoom(std::size_t index) const = 0;
};

// The host table as Qt's views read it: one row per record, in the table's
// order, with the columns Host, Map, Players, Ping, Address and Source. It follows
// the table's announcements; the changes of one reply or of one end of a
// search reach the views as one, once the table is whole again, and name
// only the rows that changed: a reply that named every row would cost each
// view and the sorting proxy a walk over the whole list, a thousand walks
// in a search of a thousand servers. A reply may also change the buddy and
// room marks of other rows (the buddy list was edited, a launch ended the
// waits for room); those are looked for a moment later, at most once every
// kMarksCheck, not at each of a thousand replies, and then every row is
// named, which is rare.
class HostListModel final : public QAbstractTableModel, public HostTableListener {
    Q_OBJECT

public:
    enum Column { kHost, kMap, kPlayers, kPing, kAddress, kSource, kColumnCount };

    // `marks` are the answered and the silent row's pictures, shared by
    // every row.
    HostListModel(const HostTable& table, std::array<QIcon, 2> marks, QObject* parent = nullptr);

    // A server with buddies on it is bold with `buddy` beside its player
    // count; one waited for shows `waiting` there instead. Each says why in
    // the row's tip.
    void SetRowMarks(const HostRowMarks* marks, QIcon buddy, QIcon waiting);
    bool HasBuddies(int row) const;
    // The marks changed without a change of the table: the views repaint.
    void MarksChanged();

    static constexpr std::chrono::milliseconds kMarksCheck{100};

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
    QVariant MarkData(std::size_t row, int column, int role) const;
    // The marks row `row` shows: bit 0 buddies, bit 1 waiting for room.
    uint8_t MarkBits(int row) const;
    // Tells the views of every row the batch just ended changed.
    void AnnounceChangedRows();
    // Tells the views when marks changed since they were shown.
    void CheckMarks();
    // Tells the views of `rows`.
    void AnnounceRows(const std::vector<int>& rows);

    const HostTable& table_;
    const std::array<QIcon, 2> marks_;
    const HostRowMarks* row_marks_ = nullptr;
    QIcon buddy_mark_;
    QIcon waiting_mark_;
    int rows_ = 0;  // what the views were told, which the table may be ahead of
    int depth_ = 0;
    std::vector<int> changed_;    // rows the batch under way changed
    int moved_from_ = INT_MAX;    // and every row from here on, moved up past a removed one
    std::vector<uint8_t> shown_;  // by row, the marks the views were last told of
    QTimer marks_check_;
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
    // Buddies are bold with `mark` beside their names.
    void SetBuddies(BuddyList buddies, QIcon mark);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<Player> players_;
    BuddyList buddies_{""};
    QIcon buddy_mark_;
};

// The sort of a list as the user chose it: a column and its direction, or
// none (the model's own order).
struct ListSort {
    int column = -1;
    bool descending = false;
};

// A proxy that sorts by kSortRole and keeps equal rows in the model's
// order; "no column" is the model's own order. Rows that `first` picks
// can come before all others, whichever way the column sorts.
class SortedList : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit SortedList(QAbstractItemModel* source, QObject* parent = nullptr);

    // `first` answers for a row of the source model; empty for no such
    // rows.
    void SetFirst(std::function<bool(int)> first);
    bool HasFirst() const { return static_cast<bool>(first_); }

    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    std::function<bool(int)> first_;
    int column_ = -1;  // as the view asked
    Qt::SortOrder order_ = Qt::AscendingOrder;
    bool by_row_ = false;  // first rows first, the rest in the model's order
};

// The host list's proxy: sorted as SortedList, and showing or hiding the
// servers that only a master server lists. Hidden rows stay in the model,
// so the tray and the host table see every server still; a hidden server
// that turns out to be near (it answers the broadcast, or becomes a
// favourite) shows again.
class SortedHostList final : public SortedList {
    Q_OBJECT

public:
    explicit SortedHostList(QAbstractItemModel* source, QObject* parent = nullptr);

    void ShowMasterListed(bool show);
    bool MasterListedShown() const { return show_master_listed_; }

protected:
    bool filterAcceptsRow(int source_row, const QModelIndex& source_parent) const override;

private:
    bool show_master_listed_ = true;
};

}  // namespace torvane
