// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/hostmodel.h"

#include <QFont>
#include <QStringList>
#include <algorithm>
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
    : QAbstractTableModel(parent), table_(table), marks_(std::move(marks)) {
    marks_check_.setSingleShot(true);
    marks_check_.setInterval(kMarksCheck);
    connect(&marks_check_, &QTimer::timeout, this, [this] { CheckMarks(); });
}

uint8_t HostListModel::MarkBits(int row) const {
    if (!row_marks_ || row < 0 || static_cast<std::size_t>(row) >= table_.size()) return 0;
    const auto index = static_cast<std::size_t>(row);
    return static_cast<uint8_t>((row_marks_->HasBuddies(index) ? 1 : 0) |
                                (row_marks_->WaitingForRoom(index) ? 2 : 0));
}

void HostListModel::SetRowMarks(const HostRowMarks* marks, QIcon buddy, QIcon waiting) {
    row_marks_ = marks;
    buddy_mark_ = std::move(buddy);
    waiting_mark_ = std::move(waiting);
    MarksChanged();
}

bool HostListModel::HasBuddies(int row) const {
    return row_marks_ && row >= 0 && row < rows_ && static_cast<std::size_t>(row) < table_.size() &&
           row_marks_->HasBuddies(static_cast<std::size_t>(row));
}

void HostListModel::MarksChanged() {
    for (int row = 0; row < rows_; ++row) shown_[static_cast<std::size_t>(row)] = MarkBits(row);
    if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, kColumnCount - 1));
}

QVariant HostListModel::MarkData(std::size_t row, int column, int role) const {
    if (!row_marks_) return {};
    if (role == Qt::FontRole) {
        if (!row_marks_->HasBuddies(row)) return {};
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    if (role == Qt::DecorationRole) {
        if (column != kPlayers) return {};
        if (row_marks_->WaitingForRoom(row)) return waiting_mark_;
        if (row_marks_->HasBuddies(row)) return buddy_mark_;
        return {};
    }
    if (role == Qt::ToolTipRole) {
        QStringList lines;
        const std::vector<std::string> buddies =
            row_marks_->HasBuddies(row) ? row_marks_->BuddiesOn(row) : std::vector<std::string>{};
        if (!buddies.empty()) {
            QStringList names;
            for (const std::string& name : buddies) names << QText(name);
            lines << "Buddies here: " + names.join(", ");
        }
        if (row_marks_->WaitingForRoom(row))
            lines << "Waiting for room: the game starts here when a place frees";
        if (lines.isEmpty()) return {};
        return lines.join('\n');
    }
    return {};
}

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
    if (role == Qt::FontRole || role == Qt::DecorationRole || role == Qt::ToolTipRole)
        return MarkData(row, index.column(), role);
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
        case kSource:
            // The nearest first: LAN, Favourite, Master.
            if (role == kSortRole) return static_cast<qlonglong>(server.Source);
            return QString(SourceCaption(server.Source));
        default:
            return {};
    }
}

QVariant HostListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const captions[] = {"Host", "Map", "Players", "Ping", "Address", "Source"};
    return Header(captions, kColumnCount, section, orientation, role);
}

void HostListModel::ChangesEnd() {
    if (depth_ > 0) --depth_;
    if (depth_ == 0) AnnounceChangedRows();
}

void HostListModel::AnnounceChangedRows() {
    for (int row = moved_from_; row < rows_; ++row) changed_.push_back(row);
    moved_from_ = INT_MAX;
    std::vector<int> rows;
    rows.swap(changed_);  // a view's slot may start the next batch
    for (int row : rows)
        if (row >= 0 && row < rows_) shown_[static_cast<std::size_t>(row)] = MarkBits(row);
    AnnounceRows(rows);
    if (row_marks_ && !marks_check_.isActive()) marks_check_.start();
}

void HostListModel::CheckMarks() {
    bool changed = false;
    for (int row = 0; row < rows_; ++row) {
        const uint8_t bits = MarkBits(row);
        if (bits == shown_[static_cast<std::size_t>(row)]) continue;
        shown_[static_cast<std::size_t>(row)] = bits;
        changed = true;
    }
    // Every row: the buddies-first order may have taken in rows that
    // answered meanwhile among others whose marks had changed unseen, and
    // only a sort of the whole list puts those right. It is rare.
    if (changed && rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, kColumnCount - 1));
}

void HostListModel::AnnounceRows(const std::vector<int>& rows) {
    // One range from the first to the last: a sorting proxy sorts the rows
    // of one announcement in again among the others, which must be in
    // order, so rows whose keys changed together go in one.
    int first = INT_MAX;
    int last = -1;
    for (int row : rows) {
        if (row < 0 || row >= rows_) continue;
        first = std::min(first, row);
        last = std::max(last, row);
    }
    if (first <= last) emit dataChanged(index(first, 0), index(last, kColumnCount - 1));
}

void HostListModel::ServerAdded(std::size_t index) {
    const int row = static_cast<int>(index);
    beginInsertRows({}, row, row);
    ++rows_;
    shown_.insert(shown_.begin() + row, MarkBits(row));
    endInsertRows();
}

void HostListModel::ServerChanged(std::size_t index, unsigned) {
    // Inside a batch the table may be half way through moving its records:
    // the views read nothing until it is whole.
    const int row = static_cast<int>(index);
    if (depth_ > 0) {
        changed_.push_back(row);
        return;
    }
    if (row < rows_) emit dataChanged(this->index(row, 0), this->index(row, kColumnCount - 1));
}

void HostListModel::ServerRemoved(std::size_t index) {
    const int row = static_cast<int>(index);
    if (row >= rows_) return;
    beginRemoveRows({}, row, row);
    --rows_;
    shown_.erase(shown_.begin() + row);
    endRemoveRows();
    // Every row after it shows another record now; inside a batch those
    // records may not have reached their places yet, so the views hear of
    // them at its end. Rows named before moved up with them.
    if (depth_ == 0) return;
    moved_from_ = std::min(moved_from_, row);
    for (int& named : changed_)
        if (named > row) --named;
}

void PlayerListModel::Show(std::vector<Player> players) {
    beginResetModel();
    players_ = std::move(players);
    endResetModel();
}

void PlayerListModel::SetBuddies(BuddyList buddies, QIcon mark) {
    buddies_ = std::move(buddies);
    buddy_mark_ = std::move(mark);
    if (!players_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
}

int PlayerListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(players_.size());
}

int PlayerListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant PlayerListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= players_.size()) return {};
    const Player& player = players_[static_cast<std::size_t>(index.row())];
    if (role == Qt::FontRole || (role == Qt::DecorationRole && index.column() == kName)) {
        if (!buddies_.Matches(player.Name)) return {};
        if (role == Qt::DecorationRole) return buddy_mark_;
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    if (role != Qt::DisplayRole && role != kSortRole) return {};
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

namespace {

void SortBySortRole(QSortFilterProxyModel& proxy, QAbstractItemModel* source) {
    proxy.setSourceModel(source);
    proxy.setSortRole(kSortRole);
    proxy.setSortCaseSensitivity(Qt::CaseInsensitive);
    proxy.setDynamicSortFilter(true);
}

}  // namespace

SortedList::SortedList(QAbstractItemModel* source, QObject* parent) : QSortFilterProxyModel(parent) {
    SortBySortRole(*this, source);
}

SortedHostList::SortedHostList(QAbstractItemModel* source, QObject* parent) : SortedList(source, parent) {}

void SortedHostList::ShowMasterListed(bool show) {
    if (show == show_master_listed_) return;
    show_master_listed_ = show;
    invalidateFilter();
}

bool SortedHostList::filterAcceptsRow(int source_row, const QModelIndex& source_parent) const {
    if (show_master_listed_) return true;
    const QModelIndex source = sourceModel()->index(source_row, HostListModel::kSource, source_parent);
    return source.data(kSortRole).toLongLong() != static_cast<qlonglong>(ServerSource::Master);
}

void SortedList::SetFirst(std::function<bool(int)> first) {
    first_ = std::move(first);
    sort(column_, order_);
    invalidate();
}

void SortedList::sort(int column, Qt::SortOrder order) {
    column_ = column;
    order_ = order;
    // Without a column the proxy would not sort at all: it sorts by the
    // first one, comparing the model's rows, so the first rows still come
    // first.
    by_row_ = column < 0 && first_;
    QSortFilterProxyModel::sort(by_row_ ? 0 : column, by_row_ ? Qt::AscendingOrder : order);
}

bool SortedList::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    if (first_) {
        const bool a = first_(left.row()), b = first_(right.row());
        // A descending sort asks the other way round.
        if (a != b) return sortOrder() == Qt::AscendingOrder ? a : b;
    }
    if (by_row_) return left.row() < right.row();
    return QSortFilterProxyModel::lessThan(left, right);
}

}  // namespace torvane
