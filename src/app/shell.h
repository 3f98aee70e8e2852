// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <memory>
#include <stdexcept>

#include "app/maincore.h"
#include "settings/options.h"

namespace torvane {

// The windows as the start-up and the options dialog use them, beyond what
// the core tells them to show.
class ShellWindows {
public:
    virtual ~ShellWindows() = default;

    // Control hints (tool tips) in every window.
    virtual void SetShowHints(bool show) = 0;
    // Where the main and users windows are and how big the users window is.
    virtual void PlaceWindows(const WindowGeometry& geometry) = 0;
    virtual WindowGeometry WindowPlaces() const = 0;
    virtual void SetStayOnTop(bool main, bool users) = 0;
    // Whether start-up shows the main window: when the user asked for it,
    // or when there is no notification area to start in.
    virtual bool StartShown(bool start_minimized) const = 0;
};

struct ShellViews {
    CoreViews core;
    OptionsView& options;
    ShellWindows& windows;
};

// A start-up that failed and has told the user so; the program ends.
class EStartUpFailed : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The life of the program, the same for every face of it: built in the
// order its windows are created (the main window, whose construction is
// the core's, then the options dialog, whose construction loads and applies
// the settings), and taken down in reverse.
class Shell final : private OptionsHost {
public:
    // Start-up up to the first search. A failure to load the settings ends
    // it: shown while the windows are still there, then the windows taken
    // down as at exit, without a save, and EStartUpFailed thrown.
    Shell(MessageLoop& loop, Settings& settings, const CoreSeams& seams, const ShellViews& views,
          const SettingsStore& store);
    // The shutdown: every setting saved, "Torvane closed", then the tray
    // icon removed and the broadcast socket closed.
    ~Shell();
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;

    MainCore& Core() { return core_; }
    TOptions& Options() { return *options_; }

private:
    void TakeDown();

    // OptionsHost.
    void SetLogFile(const std::string& path) override { core_.LogForm().SetLogFile(path); }
    std::string LogFile() const override { return core_.LogForm().LogFile(); }
    void SetLogEnabled(bool enabled) override { core_.LogForm().SetEnabled(enabled); }
    void ShowLogWindow() override { core_.LogForm().Show(); }
    void SetShowHints(bool show) override { windows_.SetShowHints(show); }
    void PlaceWindows(const WindowGeometry& geometry) override { windows_.PlaceWindows(geometry); }
    WindowGeometry WindowPlaces() const override { return windows_.WindowPlaces(); }
    void ShowMainWindowAtStart(bool start_minimized) override;
    void SetStayOnTop(bool main, bool users) override { windows_.SetStayOnTop(main, users); }
    void SetBusyCheck(bool checked) override { core_.SetBusyCheck(checked); }
    void SetBusy1(bool checked) override { core_.SetBusy1(checked); }
    void StartSearch() override { core_.ConnectButtonClick(); }
    void ApplyBroadcastInterval() override { core_.CheckBroadcastClick(); }
    void ClosePortIfChanged() override { core_.OptionsClosed(); }
    void PreviewSound(const std::string& path) override { core_.PreviewSound(path); }

    OptionsView& options_view_;
    ShellWindows& windows_;
    MainCore core_;
    std::unique_ptr<TOptions> options_;
};

}  // namespace torvane
