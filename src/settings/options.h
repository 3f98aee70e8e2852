// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>

#include "model/services.h"
#include "platform/autostart.h"
#include "settings/registry.h"
#include "settings/serverlists.h"
#include "settings/settings.h"

namespace torvane {

// The six pages of the options dialog, in their order.
enum class OptionsPage { kGeneral, kNetwork, kEvents, kGame, kInfo, kLog };

// The fields of the dialog that hold a number, each by its control.
enum class OptionsField {
    kInterval,  // BroadcastEdit
    kRetries,   // RetriesEdit
    kPort,      // PortEdit
    kPort2,
    kPort3,
    kPort4,
    kWan1Port,  // Wan1Port
    kWan2Port,
    kWan3Port,
    kWan4Port,
    kMasterEntry,    // where a master server's address is typed
    kFavoriteEntry,  // where a favourite server's address is typed
};

// A numeric field whose text cannot be taken, and what the user is told:
// the field's label, a colon and the conversion's message ("Port: '27910x'
// is not a valid integer value").
struct FieldError {
    OptionsField field;
    std::string message;
};

// The first field, in the order of the save, that holds no integer, or a
// port outside 1 to 65535 ("Port #2: 70000 is not a port from 1 to 65535").
// The port of an internet server counts only while it is enabled or has an
// address: an unused row may hold anything.
std::optional<FieldError> CheckNumberFields(const Settings& settings);

// What the user is told of an address that the list's field cannot take:
// the list's caption, a colon and the problem.
FieldError ServerEntryError(ServerList list, const std::string& problem);

// The seven ".." buttons (SpeedButton1 to SpeedButton7), by the sound each
// one chooses.
enum class SoundChoice { kNewHost, kNewPlayer, kNotFull, kNewMap, kShout, kSuggest, kMessage };

// The sound that `choice` sets in the settings record.
std::string& SoundOf(Settings& settings, SoundChoice choice);

// The options dialog as its logic sees it. The controls themselves write
// the settings record at every change.
class OptionsView {
public:
    virtual ~OptionsView() = default;

    virtual void SetCaption(const std::string& text) = 0;
    // The controls show the settings record as it is now.
    virtual void ShowSettings() = 0;
    virtual void ShowAndRaise() = 0;
    virtual void Hide() = 0;
    virtual void SelectPage(OptionsPage page) = 0;
    // BusyEdit becomes the active control with its whole text selected.
    virtual void FocusBusyEdit() = 0;
    // The page of `field` is shown and the field becomes the active control
    // with its whole text selected, ready to be mended.
    virtual void FocusField(OptionsField field) = 0;
    // The list of master or favourite servers shows the settings' words.
    virtual void ShowServerList(ServerList list) = 0;
    // What is typed in the list's address field, and emptying it.
    virtual std::string ServerEntryText(ServerList list) const = 0;
    virtual void ClearServerEntry(ServerList list) = 0;
    // A message box titled "Torvane".
    virtual void ShowError(const std::string& message) = 0;
    // The file dialogs; nothing when the user cancels. While the sound
    // dialog runs, every file the user highlights goes to
    // TOptions::SoundOpenDialogSelectionChange.
    virtual std::optional<std::string> RunSoundOpenDialog() = 0;
    virtual std::optional<std::string> RunLogSaveDialog() = 0;
};

// What the options dialog reaches in the rest of the program.
class OptionsHost {
public:
    virtual ~OptionsHost() = default;

    // The log window: its file, its switch and its window.
    virtual void SetLogFile(const std::string& path) = 0;
    virtual std::string LogFile() const = 0;
    virtual void SetLogEnabled(bool enabled) = 0;
    virtual void ShowLogWindow() = 0;

    // The windows: hints, where the main and users windows are, whether
    // start-up shows the main window, and stay-on-top.
    virtual void SetShowHints(bool show) = 0;
    virtual void PlaceWindows(const WindowGeometry& geometry) = 0;
    virtual WindowGeometry WindowPlaces() const = 0;
    virtual void ShowMainWindowAtStart(bool start_minimized) = 0;
    virtual void SetStayOnTop(bool main, bool users) = 0;

    // The main window's Busy pair, timers, sockets and sound player.
    virtual void SetBusyCheck(bool checked) = 0;  // runs the box's click handling when it changes
    virtual void SetBusy1(bool checked) = 0;      // runs nothing
    virtual void StartSearch() = 0;
    // The interval timer follows the interval field and the interval check
    // box; throws EConvertError for a field that holds no number.
    virtual void ApplyBroadcastInterval() = 0;
    // Closes the broadcast socket when the Port setting no longer matches it.
    virtual void ClosePortIfChanged() = 0;
    virtual void PreviewSound(const std::string& path) = 0;
};

// Where the settings are kept: the store, the log-on start and the program
// file that it starts.
struct SettingsStore {
    Registry& registry;
    Autostart& autostart;
    std::string program_path;
};

// The logic of the options dialog (TOptions). Its construction is the
// middle of start-up: the settings are loaded and the start-up settings
// applied. Closing the dialog saves and applies what takes effect only then;
// at exit everything is saved once more.
class TOptions {
public:
    // Loads the settings and applies them: the log window's file and switch,
    // the windows' places, hints, start minimised and start busy; then
    // releases the store and logs "Torvane started". A load error escapes:
    // start-up cannot go on, and nothing is saved.
    TOptions(Settings& settings, const SettingsStore& store, OptionsView& view, OptionsHost& host,
             LogSink& log);

    // Right after construction: the first search.
    void FormCreate() { host_.StartSearch(); }

    // The Options button and the tray's Options entry.
    void Show() { view_.ShowAndRaise(); }
    // Busy was turned on: the Info page with the busy message selected.
    void ShowOnInfoPage();
    // A setting was changed outside the dialog: its controls show it.
    void ShowChangedSettings() { view_.ShowSettings(); }

    // The dialog closes (OK button or close box): save, close the broadcast
    // socket if the port changed, apply stay-on-top, hide. A numeric field
    // that cannot be taken (CheckNumberFields) is named in a message, gets
    // the focus, and nothing is saved; when the save fails the message is
    // shown. Either way the dialog stays open (false).
    bool FormClose();
    void OkButtonClick() { FormClose(); }
    // At exit: everything saved. A numeric field that cannot be taken is
    // reported, and its stored value is kept, so the next start can load
    // the file and search.
    void FormDestroy();

    void HintCheckClick() { host_.SetShowHints(settings_.ShowHints); }
    // The interval check box; an interval that is no number is named and
    // gets the focus.
    void CheckBroadcastClick();
    void LogCheckClick() { host_.SetLogEnabled(settings_.LogEnabled); }
    void ViewLogClick() { host_.ShowLogWindow(); }
    void Button1Click();  // "Set log file"
    void SoundButtonClick(SoundChoice choice);
    void SoundOpenDialogSelectionChange(const std::string& path) { host_.PreviewSound(path); }

    // The Network page's Add buttons: the address typed beside the list
    // joins it and the field empties (true). An address that cannot be
    // taken, or one the list holds already, is named in a message with the
    // list's caption and its field gets the focus; an empty field adds
    // nothing.
    bool AddServerEntry(ServerList list);
    // The Remove buttons: the entry at `index` of the list leaves it.
    void RemoveServerEntry(ServerList list, int index);
    // The host list's "Add to favourites": the server at `address_port`
    // ("ADDRESS:PORT") joins the favourites unless it is one already
    // (false). Like every setting it is stored at the next save.
    bool AddFavorite(const std::string& address_port);
    bool IsFavorite(const std::string& address_port) const {
        return ListsServer(ServerList::kFavorites, settings_.Favorites, address_port);
    }

    // The default file name, extension and filter of the log file dialog.
    static constexpr const char* kLogDefaultName = "tvnlog";
    static constexpr const char* kLogDefaultExtension = "txt";

private:
    void HandOverLog();
    void TakeWindowState();
    void Save(const Settings& settings);
    void ShowFieldError(const FieldError& error);
    std::string& ListText(ServerList list) const;
    void SaveKeepingStoredNumbers(const std::string& failure);

    Settings& settings_;
    SettingsStore store_;
    OptionsView& view_;
    OptionsHost& host_;
    LogSink& log_;
};

// The caption of a server list on the Network page: "Master servers",
// "Favourite servers".
const char* ServerListCaption(ServerList list);

// The caption of the options and main windows: "Torvane 2.13".
std::string TorvaneCaption();

}  // namespace torvane
