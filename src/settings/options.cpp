// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/options.h"

#include <array>
#include <utility>

#include "platform/convert.h"
#include "settings/settingsio.h"

namespace torvane {

namespace {

// The numeric fields of the main key, in the order of the save, with the
// label the dialog shows beside each.
struct NumberField {
    OptionsField field;
    const char* name;
    const char* label;
    std::string Settings::*text;
    bool port;
};
constexpr std::array<NumberField, 6> kNumberFields = {{
    {OptionsField::kInterval, "BCInterval", "Interval", &Settings::BCInterval, false},
    {OptionsField::kPort, "Port", "Port", &Settings::Port, true},
    {OptionsField::kRetries, "Retries", "Retries", &Settings::Retries, false},
    {OptionsField::kPort2, "Port2", "Port #2", &Settings::Port2, true},
    {OptionsField::kPort3, "Port3", "Port #3", &Settings::Port3, true},
    {OptionsField::kPort4, "Port4", "Port #4", &Settings::Port4, true},
}};

const char* LabelOf(OptionsField field) {
    switch (field) {
        case OptionsField::kWan1Port:
            return "Port of internet server 1";
        case OptionsField::kWan2Port:
            return "Port of internet server 2";
        case OptionsField::kWan3Port:
            return "Port of internet server 3";
        case OptionsField::kWan4Port:
            return "Port of internet server 4";
        case OptionsField::kMasterEntry:
            return ServerListCaption(ServerList::kMasters);
        case OptionsField::kFavoriteEntry:
            return ServerListCaption(ServerList::kFavorites);
        default:
            break;
    }
    for (const NumberField& number : kNumberFields)
        if (number.field == field) return number.label;
    return "";
}

// What is wrong with a port text; nothing when it is a port.
std::optional<std::string> PortProblem(const std::string& text) {
    int32_t value = 0;
    try {
        value = StrToInt(text);
    } catch (const EConvertError& e) {
        return e.what();
    }
    if (value >= 1 && value <= 65535) return std::nullopt;
    return text + " is not a port from 1 to 65535";
}

bool IsInteger(const std::string& text) {
    try {
        StrToInt(text);
        return true;
    } catch (const EConvertError&) {
        return false;
    }
}

bool IsUsable(const NumberField& number, const std::string& text) {
    return number.port ? !PortProblem(text) : IsInteger(text);
}

// The number stored under `name` in the main key, as text; nothing when
// there is none that reads as a number.
std::optional<std::string> StoredNumberText(Registry& store, const char* name) {
    std::optional<std::string> text;
    if (store.OpenKey(kMainKey, false) && store.ValueExists(name)) {
        try {
            text = IntToStr(store.ReadInteger(name));
        } catch (const ERegistryException&) {
        }
    }
    store.CloseKey();
    return text;
}

}  // namespace

FieldError FieldConversionError(OptionsField field, const std::string& conversion_message) {
    return {field, std::string(LabelOf(field)) + ": " + conversion_message};
}

std::optional<FieldError> CheckNumberFields(const Settings& settings) {
    for (const NumberField& number : kNumberFields) {
        const std::string& text = settings.*number.text;
        if (number.port) {
            if (const auto problem = PortProblem(text)) return FieldConversionError(number.field, *problem);
        } else {
            try {
                StrToInt(text);
            } catch (const EConvertError& e) {
                return FieldConversionError(number.field, e.what());
            }
        }
    }
    static constexpr std::array<OptionsField, 4> kWanPorts = {
        OptionsField::kWan1Port, OptionsField::kWan2Port, OptionsField::kWan3Port, OptionsField::kWan4Port};
    for (size_t i = 0; i < settings.Wan.size(); ++i) {
        const WanServer& server = settings.Wan[i];
        if (!server.Enabled && server.Address.empty()) continue;
        if (const auto problem = PortProblem(server.Port))
            return FieldConversionError(kWanPorts[i], *problem);
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
        ShowFieldError(FieldConversionError(OptionsField::kInterval, e.what()));
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
        ShowFieldError(FieldConversionError(
            list == ServerList::kMasters ? OptionsField::kMasterEntry : OptionsField::kFavoriteEntry,
            *problem));
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
    for (const NumberField& number : kNumberFields) {
        std::string& text = safe.*number.text;
        if (IsUsable(number, text)) continue;
        // What is stored may itself be out of range (written by hand): then
        // the default.
        const auto stored = StoredNumberText(store_.registry, number.name);
        text = stored && IsUsable(number, *stored) ? *stored : Settings{}.*number.text;
        kept += std::string(kept.empty() ? "" : ", ") + number.name + " stays " + text;
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
