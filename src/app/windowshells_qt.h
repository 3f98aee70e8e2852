#pragma once

// The options dialog, the users window and the challenge dialog in their
// first, plain form: each takes its place in the creation order, shows what
// its logic tells it and hands its buttons back. Their full layouts come
// with their own faces.

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

#include "peers/suggest.h"
#include "peers/userform.h"
#include "settings/options.h"

namespace torvane {

// The options dialog: its caption, "View log", "Set log file" and OK, which
// saves through TOptions like every close.
class OptionsShell final : public QDialog, public OptionsView {
    Q_OBJECT

public:
    OptionsShell();
    void Attach(TOptions* options) { options_ = options; }

    void SetCaption(const std::string& text) override;
    void ShowSettings() override {}
    void ShowAndRaise() override;
    void Hide() override { hide(); }
    void SelectPage(OptionsPage) override {}
    void FocusBusyEdit() override {}
    void ShowError(const std::string& message) override;
    std::optional<std::string> RunSoundOpenDialog() override;
    std::optional<std::string> RunLogSaveDialog() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    TOptions* options_ = nullptr;
};

// The users window "Torvane Users": the user list, the chat list and the
// message box with "Shout!!" and "&Say".
class UsersShell final : public QDialog, public UsersView {
    Q_OBJECT

public:
    UsersShell();
    void Attach(TUsers* users) { users_ = users; }

    void SetUserRows(const std::vector<UserRow>& rows) override;
    int SelectedUserRow() const override;
    void SelectUserRow(size_t row) override;
    void ShowInfo(const std::vector<InfoRow>&) override {}
    void HideInfo() override {}
    void AddChatRow(const std::string& name, const std::string& time, const std::string& text) override;
    void DeleteFirstChatRow() override;
    std::string MessageText() const override;
    void SelectAllMessageText() override { MessageEdit->selectAll(); }
    void PopUp() override;

    QTreeWidget* UserListView;
    QTreeWidget* MessageListView;
    QLineEdit* MessageEdit;

private:
    TUsers* users_ = nullptr;
};

// The challenge dialog: who challenges, to which game and map, and the
// three answers.
class SuggestShell final : public QDialog, public SuggestView {
    Q_OBJECT

public:
    SuggestShell();
    void Attach(TSuggestForm* form) { form_ = form; }

    void SetPlayerLabel(const std::string& text) override;
    void SetGameLabel(const std::string& text) override;
    void SetMapLabel(const std::string& text) override;
    void SetCaption(const std::string& text) override;
    void ShowAndRaise() override;
    void Hide() override { hide(); }

private:
    TSuggestForm* form_ = nullptr;
    QLabel* player_;
    QLabel* game_;
    QLabel* map_;
};

}  // namespace torvane
