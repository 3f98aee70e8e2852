// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/shell.h"

#include <exception>

namespace torvane {

Shell::Shell(MessageLoop& loop, Settings& settings, const CoreSeams& seams, const ShellViews& views,
             const SettingsStore& store)
    : options_view_(views.options), windows_(views.windows), core_(loop, settings, seams, views.core) {
    core_.Create();
    try {
        options_ = std::make_unique<TOptions>(settings, store, views.options,
                                              static_cast<OptionsHost&>(*this), core_.LogForm());
    } catch (const std::exception& e) {
        options_view_.ShowError(e.what());
        TakeDown();
        throw EStartUpFailed(e.what());
    } catch (...) {
        TakeDown();
        throw;
    }
    // A search that cannot start is shown; the program runs on.
    try {
        options_->FormCreate();
    } catch (const std::exception& e) {
        options_view_.ShowError(e.what());
    }
}

Shell::~Shell() {
    options_->FormDestroy();
    TakeDown();
}

// The log window and the main window end after the options dialog, so the
// saved log file and places are the final ones.
void Shell::TakeDown() {
    core_.LogForm().FormDestroy();
    core_.FormDestroy();
}

void Shell::ShowMainWindowAtStart(bool start_minimized) {
    if (windows_.StartShown(start_minimized)) core_.ShowAndBringToFront();
}

}  // namespace torvane
