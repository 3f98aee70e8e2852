// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/memoryregistry.h"

namespace torvane {

bool MemoryRegistry::OpenKey(const std::string& path, bool can_create) {
    current_ = nullptr;
    if (auto found = hive_.find(path); found != hive_.end()) {
        current_ = &found->second;
    } else if (can_create) {
        current_ = &hive_[path];
        modified_ = true;
    }
    return current_ != nullptr;
}

const RegValue* MemoryRegistry::Find(const std::string& name) const {
    if (current_ == nullptr) return nullptr;
    auto found = current_->find(name);
    return found == current_->end() ? nullptr : &found->second;
}

bool MemoryRegistry::ValueExists(const std::string& name) const {
    return Find(name) != nullptr;
}

int32_t MemoryRegistry::ReadInteger(const std::string& name) const {
    const RegValue* value = Find(name);
    if (value == nullptr) throw ERegistryException::GetDataFailed(name);
    if (const auto* number = std::get_if<int32_t>(value)) return *number;
    throw ERegistryException::InvalidDataType(name);
}

std::string MemoryRegistry::ReadString(const std::string& name) const {
    const RegValue* value = Find(name);
    if (value == nullptr) return {};
    if (const auto* text = std::get_if<std::string>(value)) return *text;
    throw ERegistryException::InvalidDataType(name);
}

RegKey& MemoryRegistry::OpenedForWrite(const std::string& name) {
    if (current_ == nullptr) throw ERegistryException::SetDataFailed(name);
    modified_ = true;
    return *current_;
}

void MemoryRegistry::WriteInteger(const std::string& name, int32_t value) {
    OpenedForWrite(name)[name] = value;
}

void MemoryRegistry::WriteString(const std::string& name, const std::string& value) {
    OpenedForWrite(name)[name] = value;
}

bool MemoryRegistry::DeleteValue(const std::string& name) {
    if (current_ == nullptr || current_->erase(name) == 0) return false;
    modified_ = true;
    return true;
}

}  // namespace torvane
