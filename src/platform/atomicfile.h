// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

namespace torvane {

// Reads a whole regular file. Answers std::nullopt when the file does not
// exist; throws std::system_error naming the file for every other failure,
// also when the path names a directory, a pipe or a device.
std::optional<std::string> ReadFileIfExists(const std::string& path);

// Replaces the file at `path` by one holding `data`, so that a crash or power
// loss at any moment leaves either the complete old file or the complete new
// one: the data is written to a temporary file in the same directory and
// synced, then renamed over the old name, and the directory is synced so the
// rename itself lasts. The temporary file stays unnamed until it is complete
// (where the file system allows) and is named only for the rename; a crash in
// that moment leaves one complete stray copy, which the next write of the
// same file removes (a writer holds a lock on its temporary file until the
// rename, so only copies whose writer is gone are removed). Missing
// directories are created. Throws std::system_error naming the file; the old
// file is then untouched.
void WriteFileAtomically(const std::string& path, std::string_view data, mode_t mode = 0600);

}  // namespace torvane
