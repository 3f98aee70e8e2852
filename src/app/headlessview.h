#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "app/mainview.h"
#include "peers/suggest.h"
#include "peers/userform.h"

namespace torvane {

// The windows of Torvane as lines of text: every change the core makes to
// what a window would show is written as one line, "what: details", to a
// stream. Texts from the network are written with control characters shown
// as '?', so one change is always one line.
class HeadlessView final : public MainView, public UsersView, public SuggestView {
public:
    explicit HeadlessView(std::FILE* out) : out_(out) {}

    // What the user typed or chose, for the core to read.
    void SelectHostRow(int row) { selected_host_ = row; }
    void SetMessageText(const std::string& text) { message_ = text; }
    void SelectUser(int row) { selected_user_ = row; }

    // The main window.
    void SetStatusText(int panel, const std::string& text) override;
    void AddLogLine(const std::string& line) override;
    void ShowIconImage(int image) override;
    void SetTrayTip(const std::string& text) override;
    void BeginHostUpdate() override {}
    void EndHostUpdate() override {}
    void AppendHostRow() override { ++host_rows_; }
    void SetHostRow(int row, const std::string& host, const std::string& map,
                    const std::string& players) override;
    void SetHostRowImage(int, int) override {}
    void DeleteHostRow(int row) override;
    int SelectedHostRow() const override { return selected_host_ < host_rows_ ? selected_host_ : -1; }
    void InsertTrayHostEntry(int) override {}
    void SetTrayHostEntryCaption(int, const std::string&) override {}
    void DeleteTrayHostEntry(int) override {}
    void BeginPlayersUpdate() override {}
    void EndPlayersUpdate() override {}
    void ClearPlayers() override {}
    void AddPlayerRow(const std::string& name, const std::string& frags) override;
    void ShowMainWindow() override { Say("window", "shown"); }
    void RestoreApplication() override {}
    void BringToFront() override {}
    void ShowBusy(bool box_checked, bool menu_checked) override;
    void ShowOptionsOnInfoPage() override { Say("options", "Info"); }

    // The users window.
    void SetUserRows(const std::vector<UserRow>& rows) override;
    int SelectedUserRow() const override { return selected_user_; }
    void SelectUserRow(size_t row) override { selected_user_ = static_cast<int>(row); }
    void ShowInfo(const std::vector<InfoRow>& rows) override;
    void HideInfo() override {}
    void AddChatRow(const std::string& name, const std::string& time, const std::string& text) override;
    void DeleteFirstChatRow() override {}
    std::string MessageText() const override { return message_; }
    void SelectAllMessageText() override {}
    void PopUp() override { Say("users", "shown"); }

    // The challenge dialog.
    void SetPlayerLabel(const std::string& text) override { challenge_[0] = text; }
    void SetGameLabel(const std::string& text) override { challenge_[1] = text; }
    void SetMapLabel(const std::string& text) override { challenge_[2] = text; }
    void SetCaption(const std::string& text) override { challenge_[3] = text; }
    void ShowAndRaise() override;
    void Hide() override { Say("challenge", "hidden"); }

private:
    void Say(const std::string& what, const std::string& details);

    std::FILE* out_;
    int host_rows_ = 0;
    int selected_host_ = -1;
    int selected_user_ = -1;
    std::string message_;
    std::string challenge_[4];
};

}  // namespace torvane
