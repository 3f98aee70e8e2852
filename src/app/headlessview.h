// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "app/maincore.h"
#include "app/mainview.h"
#include "app/shell.h"
#include "discovery/hostlistener.h"
#include "notify/logf.h"
#include "peers/suggest.h"
#include "peers/userform.h"
#include "settings/options.h"

namespace torvane {

// One line of text per change of a window, "what: details", on a stream.
// Texts from the network are written with their control characters escaped
// (EscapeControls), so one change is always one line.
class HeadlessOutput {
public:
    explicit HeadlessOutput(std::FILE* out) : out_(out) {}
    void Say(const std::string& what, const std::string& details) const;

private:
    std::FILE* out_;
};

// The log window: each line it keeps.
class HeadlessLog final : public LogView {
public:
    explicit HeadlessLog(const HeadlessOutput& out) : out_(out) {}
    void AppendLine(const std::string& line) override { out_.Say("log", line); }
    void SetInputEnabled(bool) override {}
    void ShowAndRaise() override { out_.Say("log window", "shown"); }

private:
    const HeadlessOutput& out_;
};

// The options dialog and the windows' places, which nothing shows here: the
// dialog's file choices are always cancelled, its errors go to standard
// error, and the places are kept to be saved again.
class HeadlessOptions final : public OptionsView, public ShellWindows {
public:
    explicit HeadlessOptions(const HeadlessOutput& out) : out_(out) {}

    void SetCaption(const std::string&) override {}
    void ShowSettings() override {}
    void ShowAndRaise() override { out_.Say("options", "shown"); }
    void Hide() override { out_.Say("options", "hidden"); }
    void SelectPage(OptionsPage) override {}
    void FocusBusyEdit() override {}
    void FocusField(OptionsField) override {}
    void ShowError(const std::string& message) override;
    // Nothing is typed where no dialog is shown.
    void ShowServerList(ServerList) override {}
    std::string ServerEntryText(ServerList) const override { return {}; }
    void ClearServerEntry(ServerList) override {}
    std::optional<std::string> RunSoundOpenDialog() override { return std::nullopt; }
    std::optional<std::string> RunLogSaveDialog() override { return std::nullopt; }

    void SetShowHints(bool) override {}
    void PlaceWindows(const WindowGeometry& geometry) override { places_ = geometry; }
    WindowGeometry WindowPlaces() const override { return places_; }
    void SetStayOnTop(bool, bool) override {}
    bool StartShown(bool start_minimized) const override { return !start_minimized; }

private:
    const HeadlessOutput& out_;
    WindowGeometry places_;
};

// The main, users and challenge windows as lines of text: every change the
// core makes to what they would show. A host row is
// "host: ROW | HOST | MAP | PLAYERS | PING | ADDRESS:PORT", the ping blank
// until the server has answered.
class HeadlessView final : public MainView,
                           public UsersView,
                           public UsersListener,
                           public ChallengeListener,
                           public HostTableListener {
public:
    explicit HeadlessView(std::FILE* out) : out_(out), log_(out_), options_(out_) {}

    ShellViews Views() { return {{*this, *this, *this, log_}, options_, options_}; }

    // Follows the core's host table and users window from now on.
    void Watch(MainCore& core);
    void Watch(const TUsers& users);

    // What the user typed or chose, for the core to read.
    void SelectHostRow(int row) { selected_host_ = row; }
    void SetMessageText(const std::string& text) { message_ = text; }
    // The selected server's players, a line each.
    void ShowPlayers();

    // The main window.
    void SetStatusText(int panel, const std::string& text) override;
    void ShowIconImage(int image) override;
    void SetTrayTip(const std::string& text) override;
    int SelectedHostRow() const override { return selected_host_ < host_rows_ ? selected_host_ : -1; }
    void ShowMainWindow() override { Say("window", "shown"); }
    void RestoreApplication() override {}
    void BringToFront() override {}
    void ShowNotice(uint64_t, const Notice&) override {}
    void ShowBusy(bool box_checked, bool menu_checked) override;
    void ShowOptionsOnInfoPage() override { Say("options", "Info"); }
    void ShowLaunchFailure(const std::string& message) override;
    void RemoveTrayIcon() override {}

    // The host table's announcements.
    void ServerAdded(std::size_t) override { ++host_rows_; }
    void ServerChanged(std::size_t index, unsigned what) override;
    void ServerRemoved(std::size_t index) override;
    void SearchEnded(const std::string&) override { ShowPlayers(); }

    // The users window: its commands, and what it announces. The user rows
    // that changed are written at each refresh.
    std::string MessageText() const override { return message_; }
    void SelectAllMessageText() override {}
    void PopUp() override { Say("users", "shown"); }
    void UsersRefreshed() override;
    void SelectionChanged() override;
    void ChatLineAdded(std::size_t index) override;

    // The challenge dialog.
    void ChallengeShown(const ChallengeLabels& labels) override;
    void ChallengeHidden() override { Say("challenge", "hidden"); }

private:
    void Say(const std::string& what, const std::string& details) { out_.Say(what, details); }

    HeadlessOutput out_;
    HeadlessLog log_;
    HeadlessOptions options_;
    const HostTable* hosts_ = nullptr;
    int host_rows_ = 0;
    const TUsers* users_ = nullptr;
    std::vector<UserRow> user_rows_;  // as last written
    int selected_host_ = -1;
    std::string message_;
};

}  // namespace torvane
