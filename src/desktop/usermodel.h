// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QAbstractTableModel>

#include "peers/user.h"
#include "peers/userform.h"

namespace torvane {

// The user table as Qt's views read it: one row per user in the table's
// order, with the columns Name, Status and Message. It follows the table's
// announcements; until it follows a table it has no rows.
class UserListModel final : public QAbstractTableModel, public UserTableListener {
    Q_OBJECT

public:
    enum Column { kName, kStatus, kMessage, kColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    // Shows `table` from now on; the caller subscribes this model to it.
    void Follow(const UserTable& table);
    // Whether rows are coming or going right now: the views' selection
    // moves by itself then, and is not the user's doing.
    bool Moving() const { return moving_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // UserTableListener.
    void UserAdded(size_t index) override;
    void UserChanged(size_t index, unsigned what) override;
    void UserRemoved(size_t index) override;

private:
    const UserTable* table_ = nullptr;
    int rows_ = 0;  // what the views were told
    bool moving_ = false;
};

// The chat list of the users window: Name, Time and Message of each line
// TUsers keeps, following its announcements.
class ChatListModel final : public QAbstractTableModel, public UsersListener {
    Q_OBJECT

public:
    enum Column { kName, kTime, kMessage, kColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    // Shows the chat of `users` from now on; the caller subscribes this
    // model to it.
    void Follow(const TUsers& users);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // UsersListener.
    void ChatLineAdded(size_t index) override;
    void ChatLineRemoved(size_t index) override;

private:
    const TUsers* users_ = nullptr;
    int rows_ = 0;
};

}  // namespace torvane
