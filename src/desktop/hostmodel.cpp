// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/hostmodel.h"

#include <climits>

#include "desktop/toolkit/text.h"
#include "discovery/hosttable.h"
#include "discovery/trayicon.h"

namespace torvane {

namespace {

QVariant Header(const char* const* captions, int count, int section, Qt::Orientation orientation, int role) {
    if (orientation != Qt::Horizontal || section < 0 || section >= count) return {};
    if (role == Qt::DisplayRole) return QString(captions[section]);
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    // A first click on a header sorts upward: A before B, 1 before 2.
    if (role == Qt::InitialSortOrderRole) return Qt::AscendingOrder;
    return {};
}

// A server that has not answered yet sorts after every one that has.
qlonglong PingKey(int ping) {
    return ping < 0 ? LLONG_MAX : ping;
}

}  // namespace

HostListModel::HostListModel(const HostTable& table, std::array<QIcon, 2> marks, QObject* parent)
    : QAbstractTableModel(parent), table_(table), marks_(std::move(marks)) {}

int HostListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int HostListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant HostListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_ || static_cast<std::size_t>(index.row()) >= table_.size())
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    const TQuakeServer& server = table_[row];
    if (role == Qt::DecorationRole && index.column() == kHost) {
        const int mark = table_.Mark(row);
        if (mark < 0) return {};
        return marks_[mark == kRowAnswered ? 0 : 1];
    }
    if (role != Qt::DisplayRole && role != kSortRole) return {};
    switch (index.column()) {
        case kHost:
            return QText(server.HostName);
        case kMap:
            return QText(server.MapName);
        case kPlayers:
            if (role == kSortRole) return static_cast<qlonglong>(server.Players.size());
            return QText(ServerCaption(server));
        case kPing:
            if (role == kSortRole) return PingKey(server.Ping);
            return QText(PingText(server));
        case kAddress:
            if (role == kSortRole) {
                // Addresses sort by their numbers: 10.0.0.9 before 10.0.0.10.
                QString key;
                for (const QString& part : QText(server.Address).split('.'))
                    key += part.rightJustified(3, '0') + '.';
                return key + QText(server.Port).rightJustified(5, '0');
            }
            return QText(AddressText(server));
        default:
            return {};
    }
}

QVariant HostListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const captions[] = {"Host", "Map", "Players", "Ping", "Address"};
    return Header(captions, kColumnCount, section, orientation, role);
}

void HostListModel::ChangesEnd() {
    if (depth_ > 0) --depth_;
    if (depth_ == 0 && changed_) {
        changed_ = false;
        if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, kColumnCount - 1));
    }
}

void HostListModel::ServerAdded(std::size_t index) {
    const int row = static_cast<int>(index);
    beginInsertRows({}, row, row);
    ++rows_;
    endInsertRows();
}

void HostListModel::ServerChanged(std::size_t index, unsigned) {
    // Inside a batch the table may be half way through moving its records:
    // the views read nothing until it is whole.
    if (depth_ > 0) {
        changed_ = true;
        return;
    }
    const int row = static_cast<int>(index);
    if (row < rows_) emit dataChanged(this->index(row, 0), this->index(row, kColumnCount - 1));
}

void HostListModel::ServerRemoved(std::size_t index) {
    const int row = static_cast<int>(index);
    if (row >= rows_) return;
    beginRemoveRows({}, row, row);
    --rows_;
    endRemoveRows();
}

void PlayerListModel::Show(std::vector<Player> players) {
    beginResetModel();
    players_ = std::move(players);
    endResetModel();
}

int PlayerListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(players_.size());
}

int PlayerListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant PlayerListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= players_.size()) return {};
    if (role != Qt::DisplayRole && role != kSortRole) return {};
    const Player& player = players_[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
        case kName:
            return QText(player.Name);
        case kFrags:
            if (role == kSortRole) return static_cast<qlonglong>(player.Frags);
            return QString::number(player.Frags);
        case kPing:
            if (role == kSortRole) return static_cast<qlonglong>(player.Ping);
            return QString::number(player.Ping);
        default:
            return {};
    }
}

QVariant PlayerListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const captions[] = {"Name", "Frags", "Ping"};
    return Header(captions, kColumnCount, section, orientation, role);
}

SortedList::SortedList(QAbstractItemModel* source, QObject* parent) : QSortFilterProxyModel(parent) {
    setSourceModel(source);
    setSortRole(kSortRole);
    setSortCaseSensitivity(Qt::CaseInsensitive);
    setDynamicSortFilter(true);
}

}  // namespace torvane
