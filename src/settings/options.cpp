#include "settings/options.h"

#include <array>
#include <utility>

#include "platform/convert.h"
#include "settings/settingsio.h"

namespace torvane {

namespace {

// The numeric fields the dialog keeps as typed text, by stored value name.
constexpr std::array<std::pair<const char*, std::string Settings::*>, 6> kNumberFields = {{
    {"BCInterval", &Settings::BCInterval},
    {"Port", &Settings::Port},
    {"Retries", &Settings::Retries},
    {"Port2", &Settings::Port2},
    {"Port3", &Settings::Port3},
    {"Port4", &Settings::Port4},
}};

bool IsInteger(const std::string& text) {
    try {
        StrToInt(text);
        return true;
    } catch (const EConvertError&) {
        return false;
    }
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

std::string TorvaneCaption() {
    return std::string("Torvane ") + kTorvaneVersion;
}

TOptions::TOptions(Settings& settings, const SettingsStore& store, OptionsView& view, OptionsHost& host)
    : settings_(settings), store_(store), view_(view), host_(host) {
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
    host_.AddLogLine("Torvane started");
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
    try {
        Save(settings_);
    } catch (const EConvertError& e) {
        SaveKeepingStoredNumbers(e.what());
    } catch (const std::exception& e) {
        view_.ShowError(e.what());
    }
}

void TOptions::CheckBroadcastClick() {
    try {
        host_.ApplyBroadcastInterval();
    } catch (const EConvertError& e) {
        view_.ShowError(e.what());
    }
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
    for (const auto& [name, field] : kNumberFields) {
        std::string& text = safe.*field;
        if (IsInteger(text)) continue;
        text = StoredNumberText(store_.registry, name).value_or(Settings{}.*field);
        kept += std::string(kept.empty() ? "" : ", ") + name + " stays " + text;
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
