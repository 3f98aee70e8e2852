// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/options.h"

#include <array>
#include <utility>

#include "platform/convert.h"
#include "settings/settingsio.h"

namespace torvane {

namespace {

// The numeric fields of the main key, in the order of the save, by their
// controls.
struct NumberControl {
    OptionsField field;
    NumberText Settings::*number;
};
constexpr std::array<NumberControl, 6> kNumberControls = {{
    {OptionsField::kInterval, &Settings::BCInterval},
    {OptionsField::kPort, &Settings::Port},
    {OptionsField::kRetries, &Settings::Retries},
    {OptionsField::kPort2, &Settings::Port2},
    {OptionsField::kPort3, &Settings::Port3},
    {OptionsField::kPort4, &Settings::Port4},
}};

// The number stored under its field's name in the main key, as text; nothing
// when there is none that reads as a number.
std::optional<std::string> StoredNumberText(Registry& store, const NumberText& number) {
    std::optional<std::string> text;
    if (store.OpenKey(kMainKey, false) && store.ValueExists(number.Name())) {
        try {
            text = IntToStr(store.ReadInteger(number.Name()));
        } catch (const ERegistryException&) {
        }
    }
    store.CloseKey();
    return text;
}

}  // namespace

FieldError ServerEntryError(ServerList list, const std::string& problem) {
    return {list == ServerList::kMasters ? OptionsField::kMasterEntry : OptionsField::kFavoriteEntry,
            std::string(ServerListCaption(list)) + ": " + problem};
}

std::optional<FieldError> CheckNumberFields(const Settings& settings) {
    for (const NumberControl& control : kNumberControls)
        if (auto problem = (settings.*control.number).LabelledProblem())
            return FieldError{control.field, *problem};
    static constexpr std::array<OptionsField, 4> kWanPorts = {
        OptionsField::kWan1Port, OptionsField::kWan2Port, OptionsField::kWan3Port, OptionsField::kWan4Port};
    for (size_t i = 0; i < settings.Wan.size(); ++i) {
        const WanServer& server = settings.Wan[i];
        if (!server.Enabled && server.Address.empty()) continue;
        if (auto problem = server.Port.LabelledProblem()) return FieldError{kWanPorts[i], *problem};
    }
    return std::nullopt;
}

std::string& SoundOf(Settings& settings, SoundChoice choice) {
    switch (choice) {
        case SoundChoice::kNewHost:
            return settings.Event(EventKind::NewHost).Sound;
        case SoundChoice::kNewPlayer:
            return settings.Event(EventKind::NewPlayer).Sound;
        case SoundChoice::kNotFull:
            return settings.Event(EventKind::NotFull).Sound;
        case SoundChoice::kNewMap:
            return settings.Event(EventKind::NewMap).Sound;
        case SoundChoice::kShout:
            return settings.ShoutSound;
        case SoundChoice::kSuggest:
            return settings.SuggestSound;
        case SoundChoice::kMessage:
            break;
    }
    return settings.MessageSound;
}

const char* ServerListCaption(ServerList list) {
    return list == ServerList::kMasters ? "Master servers" : "Favourite servers";
}

std::string TorvaneCaption() {
    return std::string("Torvane ") + kTorvaneVersion;
}

TOptions::TOptions(Settings& settings, const SettingsStore& store, OptionsView& view, OptionsHost& host,
                   LogSink& log)
    : settings_(settings), store_(store), view_(view), host_(host), log_(log) {
    view_.SetCaption(TorvaneCaption());
    // The log goes to its file from here, also when a later part of the
    // file fails to load, so that the end of the program is in the file.
    try {
        LoadSettings(store_.registry, settings_);
    } catch (...) {
        HandOverLog();
        throw;
    }
    view_.ShowSettings();
    HandOverLog();
    if (settings_.Windows.Placed) host_.PlaceWindows(settings_.Windows);

    host_.SetShowHints(settings_.ShowHints);
    host_.ShowMainWindowAtStart(settings_.StartMinimized);
    host_.SetBusyCheck(settings_.StartBusy);
    host_.SetBusy1(settings_.StartBusy);
    store_.registry.CloseKey();
    log_.AddLogLine("Torvane started");
}

// The log's file and switch as loaded so far (their defaults when the load
// stopped before them).
void TOptions::HandOverLog() {
    host_.SetLogFile(settings_.LogFile);
    host_.SetLogEnabled(settings_.LogEnabled);
}

void TOptions::ShowOnInfoPage() {
    view_.ShowAndRaise();
    view_.SelectPage(OptionsPage::kInfo);
    view_.FocusBusyEdit();
}

bool TOptions::FormClose() {
    if (const auto error = CheckNumberFields(settings_)) {
        ShowFieldError(*error);
        return false;
    }
    // An address typed but not yet added is what the user wants in the list.
    for (const ServerList list : {ServerList::kMasters, ServerList::kFavorites}) {
        const std::string typed = view_.ServerEntryText(list);
        if (typed.find_first_not_of(" \t") != std::string::npos && !AddServerEntry(list)) return false;
    }
    TakeWindowState();
    try {
        Save(settings_);
    } catch (const std::exception& e) {
        view_.ShowError(e.what());
        return false;
    }
    host_.ClosePortIfChanged();
    host_.SetStayOnTop(settings_.MainStayOnTop, settings_.UsersStayOnTop);
    view_.Hide();
    return true;
}

void TOptions::FormDestroy() {
    TakeWindowState();
    if (const auto error = CheckNumberFields(settings_); error && error->field <= OptionsField::kPort4) {
        SaveKeepingStoredNumbers(error->message);
        return;
    }
    try {
        Save(settings_);
    } catch (const std::exception& e) {
        view_.ShowError(e.what());
    }
}

void TOptions::CheckBroadcastClick() {
    try {
        host_.ApplyBroadcastInterval();
    } catch (const EConvertError& e) {
        ShowFieldError(
            {OptionsField::kInterval, std::string(settings_.BCInterval.Label()) + ": " + e.what()});
    }
}

void TOptions::ShowFieldError(const FieldError& error) {
    view_.ShowError(error.message);
    view_.FocusField(error.field);
}

std::string& TOptions::ListText(ServerList list) const {
    return list == ServerList::kMasters ? settings_.Masters : settings_.Favorites;
}

bool TOptions::AddServerEntry(ServerList list) {
    const std::string typed = view_.ServerEntryText(list);
    if (typed.find_first_not_of(" \t") == std::string::npos) return false;
    std::string& text = ListText(list);
    std::vector<std::string> entries = ServerListEntries(text);
    std::string entry;
    if (const auto problem = ReadServerEntry(list, typed, entries, entry)) {
        ShowFieldError(ServerEntryError(list, *problem));
        return false;
    }
    entries.push_back(entry);
    text = ServerListText(entries);
    view_.ShowServerList(list);
    view_.ClearServerEntry(list);
    return true;
}

void TOptions::RemoveServerEntry(ServerList list, int index) {
    std::string& text = ListText(list);
    std::vector<std::string> entries = ServerListEntries(text);
    if (index < 0 || static_cast<std::size_t>(index) >= entries.size()) return;
    entries.erase(entries.begin() + index);
    text = ServerListText(entries);
    view_.ShowServerList(list);
}

bool TOptions::AddFavorite(const std::string& address_port) {
    std::vector<std::string> entries = ServerListEntries(settings_.Favorites);
    std::string entry;
    if (ReadServerEntry(ServerList::kFavorites, address_port, entries, entry)) return false;
    entries.push_back(entry);
    settings_.Favorites = ServerListText(entries);
    view_.ShowServerList(ServerList::kFavorites);
    return true;
}

void TOptions::Button1Click() {
    if (const auto path = view_.RunLogSaveDialog()) host_.SetLogFile(*path);
}

void TOptions::SoundButtonClick(SoundChoice choice) {
    if (const auto path = view_.RunSoundOpenDialog()) SoundOf(settings_, choice) = *path;
}

// The log window's file and the windows' places are not controls of the
// dialog: a save takes them as they are now.
void TOptions::TakeWindowState() {
    settings_.LogFile = host_.LogFile();
    settings_.Windows = host_.WindowPlaces();
}

void TOptions::Save(const Settings& settings) {
    SaveSettings(settings, store_.registry, store_.autostart, store_.program_path);
}

// A save stopped by a field that holds no number has written only what came
// before it, which the next load cannot read. The last words of the program
// must not leave such a file: every field that is no number keeps what is
// stored (or its default), the rest is saved as the user left it, and the
// user is told once the file is whole again (the box may wait long for
// someone to read it; the session may end meanwhile).
void TOptions::SaveKeepingStoredNumbers(const std::string& failure) {
    Settings safe = settings_;
    std::string kept;
    for (const NumberControl& control : kNumberControls) {
        NumberText& number = safe.*control.number;
        if (!number.Problem()) continue;
        // What is stored may itself be out of range (written by hand): then
        // the default.
        const auto stored = StoredNumberText(store_.registry, number);
        number =
            stored && !NumberText(number.Field(), *stored).Problem() ? *stored : number.Field().default_text;
        kept += std::string(kept.empty() ? "" : ", ") + number.Name() + " stays " + number.Text();
    }
    try {
        Save(safe);
    } catch (const std::exception& e) {
        view_.ShowError(e.what());
        return;
    }
    view_.ShowError(failure + "\n\nThe other settings are saved; " + kept + ".");
}

}  // namespace torvane
