// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "app/maincore.h"
#include "platform/autostart.h"
#include "platform/configdir.h"
#include "platform/programpath.h"
#include "settings/fileregistry.h"
#include "settings/options.h"

namespace torvane {

// The operating system as every face of the program uses it: the clock,
// process list, spawner, sound, computer name, and the settings file with
// the log-on start.
struct SystemParts {
    CoreSeams Seams() { return {SystemClock::Instance(), processes, spawner, sound, computer_name}; }
    SettingsStore Store() { return {store, autostart, ProgramFileName()}; }

    ProcProcessList processes;
    PosixSpawner spawner;
    CanberraSound sound;
    SystemComputerName computer_name;
    FileRegistry store{SettingsFilePath()};
    DesktopAutostart autostart{ConfigDir()};
};

}  // namespace torvane
