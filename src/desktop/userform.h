// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTreeView>
#include <QTreeWidget>

#include "desktop/usermodel.h"
#include "peers/userform.h"
#include "settings/settings.h"

namespace torvane {

// The users window "Torvane Users": the user list with the info pane of the
// selected user beside it, the chat below, and the message box with
// "Shout!!" (Escape) and "&Say" (Enter). Closing it only hides it.
class UsersWindow final : public QDialog, public UsersView, public UsersListener {
    Q_OBJECT

public:
    UsersWindow();

    // The logic, once start-up has made it: the lists follow its user table
    // and its chat from now on. Until then the lists are empty and the
    // buttons send nothing.
    void Attach(TUsers* users);

    // The stored geometry: the window's place and size, the info list's
    // width and the top panel's height. Kept for a hidden window too.
    void Place(const WindowGeometry& geometry);
    void TakePlace(WindowGeometry& geometry) const;

    // The row the user list shows selected, -1 for none.
    int SelectedUserRow() const;

    // UsersView.
    std::string MessageText() const override;
    void SelectAllMessageText() override { MessageEdit->selectAll(); }
    void PopUp() override;

    // UsersListener: the selection and the info pane as TUsers has them,
    // and a new chat line scrolled into view.
    void SelectionChanged() override;
    void ChatLineAdded(size_t index) override;

    QWidget* TopPanel;
    QSplitter* HSplitter;  // between the top panel and the chat list
    QSplitter* VSplitter;  // between the user list and the info list
    QTreeView* UserListView;
    QTreeWidget* InfoListView;
    QTreeView* MessageListView;
    QPushButton* Button2;  // Shout!!
    QPushButton* Button1;  // &Say
    QLineEdit* MessageEdit;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Escape shouts, as the cancel button of the window.
    void reject() override { Button2->click(); }

private:
    QWidget* BuildBottomPanel();
    void ApplyPanelSizes();
    void TakePanelSizes();
    void RunClick();
    void ShowInfo(const std::vector<InfoRow>& rows);
    void HideInfo();

    TUsers* users_ = nullptr;
    UserListModel user_model_;
    ChatListModel chat_model_;
    bool selecting_ = false;  // the selection is being set from TUsers
    int info_width_;
    int top_height_;
};

}  // namespace torvane
