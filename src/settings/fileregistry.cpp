// SPDX-License-Identifier: GPL-2.0-or-later
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

void WriteHive(const std::string& path, const Hive& hive) {
    try {
        WriteFileAtomically(path, FormatSettingsFile(hive));
    } catch (const std::system_error& error) {
        throw ESettingsFileError(error.what());
    }
}

}  // namespace

FileRegistry::FileRegistry(std::string path) : path_(std::move(path)), working_(ReadHive(path_)) {}

bool FileRegistry::OpenKey(const std::string& path, bool can_create) {
    open_key_.reset();
    if (!IsStorableText(path)) {
        working_.CloseKey();
        return false;
    }
    const bool existed = working_.OpenKey(path, false);
    if (!existed && !working_.OpenKey(path, can_create)) return false;
    if (!existed) changes_.push_back({path, "", std::nullopt, true});
    open_key_ = path;
    return true;
}

void FileRegistry::CloseKey() {
    open_key_.reset();
    working_.CloseKey();
}

void FileRegistry::Record(const std::string& name, std::optional<RegValue> value) {
    changes_.push_back({*open_key_, name, std::move(value), false});
}

void FileRegistry::WriteInteger(const std::string& name, int32_t value) {
    if (!IsStorableText(name)) throw ERegistryException::SetDataFailed(name);
    working_.WriteInteger(name, value);
    Record(name, value);
}

void FileRegistry::WriteString(const std::string& name, const std::string& value) {
    if (!IsStorableText(name) || !IsStorableText(value)) throw ERegistryException::SetDataFailed(name);
    working_.WriteString(name, value);
    Record(name, value);
}

bool FileRegistry::DeleteValue(const std::string& name) {
    if (!working_.DeleteValue(name)) return false;
    Record(name, std::nullopt);
    return true;
}

void FileRegistry::Flush() {
    if (changes_.empty()) return;
    MemoryRegistry fresh(ReadHive(path_));
    for (const Change& change : changes_) {
        fresh.OpenKey(change.key, true);
        if (change.create_only) continue;
        if (!change.value) {
            fresh.DeleteValue(change.name);
        } else if (const auto* number = std::get_if<int32_t>(&*change.value)) {
            fresh.WriteInteger(change.name, *number);
        } else {
            fresh.WriteString(change.name, std::get<std::string>(*change.value));
        }
    }
    WriteHive(path_, fresh.Data());
    changes_.clear();
    working_ = MemoryRegistry(fresh.Data());
    if (open_key_) working_.OpenKey(*open_key_, false);
}

std::string SettingsFilePath() {
    return ConfigDir() + "/torvane/settings.json";
}

}  // namespace torvane
