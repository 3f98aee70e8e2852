// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "settings/memoryregistry.h"

namespace torvane {

// The settings store kept in a JSON file. The file is read when the store is
// made; reads answer from that copy. Changes are kept until Flush, which
// reads the file again, applies them to what is there now and replaces the
// file atomically, so a change made to the file meanwhile by someone else is
// kept unless this store changed the same value. A file that cannot be read
// or is not a settings file throws ESettingsFileError from the constructor
// and from Flush, and is never saved over.
class FileRegistry final : public Registry {
public:
    // A missing file is an empty store; the first flush creates it.
    explicit FileRegistry(std::string path);

    // Names and strings the file cannot hold exactly are refused: the key
    // does not open, the write throws "Failed to set data for '%s'".
    bool OpenKey(const std::string& path, bool can_create) override;
    void CloseKey() override;
    bool ValueExists(const std::string& name) const override { return working_.ValueExists(name); }
    int32_t ReadInteger(const std::string& name) const override { return working_.ReadInteger(name); }
    std::string ReadString(const std::string& name) const override { return working_.ReadString(name); }
    void WriteInteger(const std::string& name, int32_t value) override;
    void WriteString(const std::string& name, const std::string& value) override;
    bool DeleteValue(const std::string& name) override;

    // Writes the changes made since the last flush, if any. Throws
    // ESettingsFileError naming the file when that fails; the file on disk
    // then stays as it was, and the changes stay pending.
    void Flush() override;

private:
    // One change to replay on the file: a key created, a value written, or
    // (without a value) deleted.
    struct Change {
        std::string key;
        std::string name;
        std::optional<RegValue> value;
        bool create_only = false;
    };
    void Record(const std::string& name, std::optional<RegValue> value);

    std::string path_;
    MemoryRegistry working_;
    std::optional<std::string> open_key_;
    std::vector<Change> changes_;
};

// Where Torvane keeps its settings: CONFIG_DIR/torvane/settings.json.
std::string SettingsFilePath();

}  // namespace torvane
