#pragma once

#include <string>

#include "settings/memoryregistry.h"

namespace torvane {

// The settings store kept in a JSON file. The file is read once, when the
// store is made; changes stay in memory until Flush, which replaces the file
// atomically. A file that cannot be read or is not a settings file throws
// ESettingsFileError from the constructor, so it is never saved over.
class FileRegistry final : public MemoryRegistry {
public:
    // A missing file is an empty store; the first flush creates it.
    explicit FileRegistry(std::string path);

    // Names and strings the file cannot hold exactly are refused: the key
    // does not open, the write throws "Failed to set data for '%s'".
    bool OpenKey(const std::string& path, bool can_create) override;
    void WriteInteger(const std::string& name, int32_t value) override;
    void WriteString(const std::string& name, const std::string& value) override;

    // Writes the file when something changed; throws ESettingsFileError
    // naming the file when that fails, and the old file stays.
    void Flush() override;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Where Torvane keeps its settings: CONFIG_DIR/torvane/settings.json.
std::string SettingsFilePath();

}  // namespace torvane
