#include "settings/fileregistry.h"

#include <system_error>

#include "platform/atomicfile.h"
#include "platform/configdir.h"
#include "settings/settingsfile.h"

namespace torvane {

namespace {
Hive ReadHive(const std::string& path) {
    try {
        const auto text = ReadFileIfExists(path);
        return text ? ParseSettingsFile(*text, path) : Hive();
    } catch (const std::system_error& error) {
        throw ESettingsFileError(std::string(error.what()) + ". The file is left as it is.");
    }
}
}  // namespace

FileRegistry::FileRegistry(std::string path) : MemoryRegistry(ReadHive(path)), path_(std::move(path)) {}

bool FileRegistry::OpenKey(const std::string& path, bool can_create) {
    if (!IsStorableText(path)) {
        CloseKey();
        return false;
    }
    return MemoryRegistry::OpenKey(path, can_create);
}

void FileRegistry::WriteInteger(const std::string& name, int32_t value) {
    if (!IsStorableText(name)) throw ERegistryException::SetDataFailed(name);
    MemoryRegistry::WriteInteger(name, value);
}

void FileRegistry::WriteString(const std::string& name, const std::string& value) {
    if (!IsStorableText(name) || !IsStorableText(value)) throw ERegistryException::SetDataFailed(name);
    MemoryRegistry::WriteString(name, value);
}

void FileRegistry::Flush() {
    if (!Modified()) return;
    try {
        WriteFileAtomically(path_, FormatSettingsFile(Data()));
    } catch (const std::system_error& error) {
        throw ESettingsFileError(error.what());
    }
    MemoryRegistry::Flush();
}

std::string SettingsFilePath() {
    return ConfigDir() + "/torvane/settings.json";
}

}  // namespace torvane
