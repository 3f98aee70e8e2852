// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <array>
#include <functional>
#include <vector>

#include "desktop/toolkit/updown.h"
#include "settings/options.h"
#include "settings/settings.h"

namespace torvane {

// The options dialog "Torvane 2.13": six pages whose controls are the live
// settings. Every change of a control writes the settings record at once,
// so whoever reads a setting sees it before the dialog is closed; the
// handlers that a change runs are TOptions's. Closing the dialog, by OK, the
// close box or Escape, saves through TOptions and stays open when the save
// fails.
class OptionsDialog final : public QDialog, public OptionsView {
    Q_OBJECT

public:
    explicit OptionsDialog(Settings& settings, QWidget* parent = nullptr);

    // The logic, once start-up has made it. Until then the controls still
    // write the record, but run no handler.
    void Attach(TOptions* options) { options_ = options; }

    // OptionsView.
    void SetCaption(const std::string& text) override;
    void ShowSettings() override;
    void ShowAndRaise() override;
    void Hide() override { hide(); }
    void SelectPage(OptionsPage page) override;
    void FocusBusyEdit() override;
    void FocusField(OptionsField field) override;
    void ShowError(const std::string& message) override;
    void ShowServerList(ServerList list) override;
    std::string ServerEntryText(ServerList list) const override;
    void ClearServerEntry(ServerList list) override;
    std::optional<std::string> RunSoundOpenDialog() override;
    std::optional<std::string> RunLogSaveDialog() override;

    // The controls, by their names.
    QPushButton* OkButton;
    QTabWidget* PageControl1;
    std::array<QWidget*, 6> TabSheets;  // TabSheet1 to TabSheet6

    // General.
    QCheckBox* HintCheck;
    QCheckBox* MinimizeCheck;
    QCheckBox* SingleCheck;
    QCheckBox* StartBusy;
    QCheckBox* AutoStart;
    QCheckBox* MainStayOnTop;
    QCheckBox* UsersStayOnTop;
    UpDownEdit* Edit4;  // with MaxChatLines

    // Network.
    QCheckBox* CheckBroadcast;
    UpDownEdit* BroadcastEdit;
    UpDownEdit* RetriesEdit;
    QLineEdit* PortEdit;
    std::array<QLineEdit*, 3> PortNEdit;  // Port2Edit to Port4Edit
    std::array<QCheckBox*, 3> PortNEnable;
    std::array<QLineEdit*, 4> WanEdit;  // Wan1Edit to Wan4Edit
    std::array<QLineEdit*, 4> WanPort;
    std::array<QCheckBox*, 4> WanEnable;
    // The master and the favourite servers, by ServerList: the list, the
    // field where an address is typed, and the buttons that add the typed
    // address (as Enter in the field does) and remove the selected one.
    std::array<QListWidget*, 2> ServerLists;
    std::array<QLineEdit*, 2> ServerEntries;
    std::array<QPushButton*, 2> AddButtons;
    std::array<QPushButton*, 2> RemoveButtons;

    // Events: Pop up, Launch Quake2, Play sound of each event kind; the
    // seven ".." buttons SpeedButton1 to SpeedButton7.
    std::array<std::array<QCheckBox*, 3>, 4> EventChecks;
    std::array<QToolButton*, 7> SpeedButtons;
    QCheckBox* ShoutPopUp;
    QCheckBox* ShoutPlay;

    // Game.
    QLineEdit* CommandEdit;
    QLineEdit* BaseDirEdit;
    QGroupBox* QuakeGroup;
    QLineEdit* QCommandEdit;
    QLineEdit* QBaseDirEdit;

    // Info.
    QLineEdit* NameEdit;
    QLineEdit* BusyEdit;
    QLineEdit* ReadyEdit;
    QLineEdit* PlayingEdit;
    QLineEdit* BuddiesEdit;
    QButtonGroup* SkillRadio;
    QButtonGroup* Paranoia;

    // Log.
    QCheckBox* LogCheck;
    QPushButton* ViewLog;
    QPushButton* Button1;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override { close(); }

private:
    QWidget* BuildTopPanel();
    QWidget* BuildGeneralPage();
    QWidget* BuildNetworkPage();
    QWidget* BuildServerList(ServerList list, QWidget* page);
    QWidget* BuildEventsPage();
    QWidget* BuildGamePage();
    QWidget* BuildInfoPage();
    QWidget* BuildLogPage();

    // Ties a control to its field: the control writes the field at every
    // change and runs `handler` (a TOptions handler) afterwards; ShowSettings
    // reads the field back into it.
    QCheckBox* Check(const char* caption, bool& field, void (TOptions::*handler)() = nullptr);
    QLineEdit* Text(std::string& field, bool is_path = false);
    UpDownEdit* Number(std::string& field, int minimum, int maximum, int step);
    QButtonGroup* Radio(QGroupBox* group, const std::array<const char*, 3>& items, int32_t& field);
    QToolButton* SoundButton(SoundChoice choice);
    void Run(void (TOptions::*handler)());
    QLineEdit* EditOf(OptionsField field) const;

    Settings& settings_;
    TOptions* options_ = nullptr;
    std::vector<std::function<void()>> readers_;  // field -> control, for ShowSettings
};

}  // namespace torvane
