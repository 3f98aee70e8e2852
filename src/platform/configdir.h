// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

namespace torvane {

// The user's configuration directory: $XDG_CONFIG_HOME when it holds an
// absolute path, otherwise ~/.config. A relative $XDG_CONFIG_HOME is ignored,
// since it would make the files depend on the working directory. Throws
// std::runtime_error when there is no home directory to fall back on.
std::string ConfigDir();

}  // namespace torvane
