// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "settings/memoryregistry.h"

namespace torvane {

// The settings file cannot be used: it is not JSON, not of the settings
// layout, or cannot be read or written. The message names the file and, for
// a damaged file, the line and column.
class ESettingsFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the text of a settings file: one JSON object whose members are the
// key paths, each an object of values. Integers (32-bit) and strings are the
// values the store reads; a value of any other kind is kept as a
// ForeignValue (as the JSON value it is: a number beyond 64 bits becomes the
// nearest fraction, and a save writes it so). Text that is not JSON, a file or key that is not an object,
// and a name that appears twice throw ESettingsFileError naming `file_name`
// and the position.
Hive ParseSettingsFile(std::string_view text, const std::string& file_name);

// The text of a settings file holding `hive`. Every name and string must be
// valid UTF-8 (see IsStorableText).
std::string FormatSettingsFile(const Hive& hive);

// Whether the settings file can hold `text` exactly: JSON text is UTF-8.
bool IsStorableText(const std::string& text);

}  // namespace torvane
