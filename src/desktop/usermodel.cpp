// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/usermodel.h"

#include "desktop/toolkit/text.h"

namespace torvane {

namespace {

QVariant Caption(const char* const* captions, int count, int section, Qt::Orientation orientation, int role) {
    if (orientation != Qt::Horizontal || section < 0 || section >= count || role != Qt::DisplayRole)
        return {};
    return QString(captions[section]);
}

}  // namespace

void UserListModel::Follow(const UserTable& table) {
    beginResetModel();
    table_ = &table;
    rows_ = static_cast<int>(table.size());
    endResetModel();
}

int UserListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int UserListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant UserListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !table_ || !index.isValid() || index.row() >= rows_ ||
        static_cast<size_t>(index.row()) >= table_->size())
        return {};
    const UserRow row = ListRow((*table_)[static_cast<size_t>(index.row())]);
    switch (index.column()) {
        case kName:
            return QText(row.Name);
        case kStatus:
            return QText(row.Status);
        case kMessage:
            return QText(row.Message);
        default:
            return {};
    }
}

QVariant UserListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const captions[] = {"Name", "Status", "Message"};
    return Caption(captions, kColumnCount, section, orientation, role);
}

void UserListModel::UserAdded(size_t index) {
    const int row = static_cast<int>(index);
    moving_ = true;
    beginInsertRows({}, row, row);
    ++rows_;
    endInsertRows();
    moving_ = false;
}

void UserListModel::UserChanged(size_t index, unsigned what) {
    const int row = static_cast<int>(index);
    if (row >= rows_ || !(what & (kUserChangedName | kUserChangedStatus | kUserChangedMessage))) return;
    emit dataChanged(this->index(row, 0), this->index(row, kColumnCount - 1));
}

void UserListModel::UserRemoved(size_t index) {
    const int row = static_cast<int>(index);
    if (row >= rows_) return;
    moving_ = true;
    beginRemoveRows({}, row, row);
    --rows_;
    endRemoveRows();
    moving_ = false;
}

void ChatListModel::Follow(const TUsers& users) {
    beginResetModel();
    users_ = &users;
    rows_ = static_cast<int>(users.Chat().size());
    endResetModel();
}

int ChatListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int ChatListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant ChatListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !users_ || !index.isValid() || index.row() >= rows_ ||
        static_cast<size_t>(index.row()) >= users_->Chat().size())
        return {};
    const ChatRow& row = users_->Chat()[static_cast<size_t>(index.row())];
    switch (index.column()) {
        case kName:
            return QText(row.Name);
        case kTime:
            return QText(row.Time);
        case kMessage:
            return QText(row.Text);
        default:
            return {};
    }
}

QVariant ChatListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const captions[] = {"Name", "Time", "Message"};
    return Caption(captions, kColumnCount, section, orientation, role);
}

void ChatListModel::ChatLineAdded(size_t index) {
    const int row = static_cast<int>(index);
    beginInsertRows({}, row, row);
    ++rows_;
    endInsertRows();
}

void ChatListModel::ChatLineRemoved(size_t index) {
    const int row = static_cast<int>(index);
    if (row >= rows_) return;
    beginRemoveRows({}, row, row);
    --rows_;
    endRemoveRows();
}

}  // namespace torvane
