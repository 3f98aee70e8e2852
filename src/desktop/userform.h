// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>

#include "peers/userform.h"
#include "settings/settings.h"

namespace torvane {

// The users window "Torvane Users": the user list with the info pane of the
// selected user beside it, the chat below, and the message box with
// "Shout!!" (Escape) and "&Say" (Enter). Closing it only hides it.
class UsersWindow final : public QDialog, public UsersView {
    Q_OBJECT

public:
    UsersWindow();

    // The logic, once start-up has made it. Until then the buttons and the
    // list send nothing.
    void Attach(TUsers* users) { users_ = users; }

    // The stored geometry: the window's place and size, the info list's
    // width and the top panel's height. Kept for a hidden window too.
    void Place(const WindowGeometry& geometry);
    void TakePlace(WindowGeometry& geometry) const;

    // UsersView.
    void SetUserRows(const std::vector<UserRow>& rows) override;
    int SelectedUserRow() const override;
    void SelectUserRow(size_t row) override;
    void ShowInfo(const std::vector<InfoRow>& rows) override;
    void HideInfo() override;
    void AddChatRow(const std::string& name, const std::string& time, const std::string& text) override;
    void DeleteFirstChatRow() override;
    std::string MessageText() const override;
    void SelectAllMessageText() override { MessageEdit->selectAll(); }
    void PopUp() override;

    QWidget* TopPanel;
    QSplitter* HSplitter;  // between the top panel and the chat list
    QSplitter* VSplitter;  // between the user list and the info list
    QTreeWidget* UserListView;
    QTreeWidget* InfoListView;
    QTreeWidget* MessageListView;
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

    TUsers* users_ = nullptr;
    std::vector<UserRow> shown_users_;  // what UserListView shows, row by row
    int info_width_;
    int top_height_;
};

}  // namespace torvane
