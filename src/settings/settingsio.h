// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "platform/autostart.h"
#include "settings/registry.h"
#include "settings/settings.h"

namespace torvane {

// Key paths of the settings store.
inline constexpr const char* kMainKey = "\\Software\\Torvane";
inline constexpr const char* kWindowsKey = "\\Software\\Torvane\\Windows";

// Reads the stored settings into `settings`, once at start-up. Without the
// main key every setting keeps its default; subkeys are never created; a
// value the store lacks keeps its default too. A value of the wrong kind
// stops the load with the store's ERegistryException ("Invalid data type for
// 'Port'"); the values read before it stay applied. An obsolete Quake2Path
// value is deleted, and the change is flushed either way.
void LoadSettings(Registry& store, Settings& settings);

// Writes every setting, then registers or removes the log-on start according
// to AutoStart. A numeric text that is not an integer stops the save with
// EConvertError (a value that cannot be stored, with ERegistryException);
// the values written before it are flushed and the rest, autostart included,
// is not done.
void SaveSettings(const Settings& settings, Registry& store, Autostart& autostart,
                  const std::string& program_path);

// The key path of internet server `index` (0 to 3): "\Software\Torvane\Wan1"...
std::string WanKey(size_t index);
// The key path of the actions of one event kind: "\Software\Torvane\NewHost"...
std::string EventKey(EventKind kind);

}  // namespace torvane
