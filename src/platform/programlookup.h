// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>

namespace torvane {

// Whether `path` names a regular file (or a link to one) that we may run.
bool IsExecutableFile(const std::string& path);

// The directories in which a program name is looked up: PATH as this
// process has it, or the system's default when PATH is unset.
std::string ProgramSearchPath();

// The first DIR/`name` that is an executable file, for the directories of
// the colon-separated `search_path` in order (an empty entry is the current
// directory, as for the shell); nothing when there is none. A `name` that
// is empty or holds a '/' is never looked up.
std::optional<std::string> FindOnSearchPath(const std::string& name, const std::string& search_path);

}  // namespace torvane
