// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <map>
#include <string>
#include <variant>

#include "settings/registry.h"

namespace torvane {

// A stored value of a kind Torvane never reads (in the settings file: null,
// true or false, a fraction, a number beyond 32 bits, an array or an object),
// held as its compact JSON text so that a save leaves it as it was. It
// exists, and reading it is InvalidDataType.
struct ForeignValue {
    std::string json;
    bool operator==(const ForeignValue&) const = default;
};

// One stored value: an integer (booleans included), a string, or a value of
// another kind kept as it was found.
using RegValue = std::variant<int32_t, std::string, ForeignValue>;
// The values of one key, by name.
using RegKey = std::map<std::string, RegValue>;
// Every key, by its absolute path.
using Hive = std::map<std::string, RegKey>;

// The settings store held in memory. It is the working copy behind the
// settings file and, on its own, the store of the tests.
class MemoryRegistry : public Registry {
public:
    MemoryRegistry() = default;
    explicit MemoryRegistry(Hive hive) : hive_(std::move(hive)) {}
    // A copy would point into the other store's open key.
    MemoryRegistry(const MemoryRegistry&) = delete;
    MemoryRegistry& operator=(const MemoryRegistry&) = delete;
    MemoryRegistry(MemoryRegistry&&) = default;
    MemoryRegistry& operator=(MemoryRegistry&&) = default;

    bool OpenKey(const std::string& path, bool can_create) override;
    void CloseKey() override { current_ = nullptr; }
    bool ValueExists(const std::string& name) const override;
    int32_t ReadInteger(const std::string& name) const override;
    std::string ReadString(const std::string& name) const override;
    void WriteInteger(const std::string& name, int32_t value) override;
    void WriteString(const std::string& name, const std::string& value) override;
    bool DeleteValue(const std::string& name) override;
    void Flush() override { modified_ = false; }

    const Hive& Data() const { return hive_; }
    // Whether anything changed since the last flush.
    bool Modified() const { return modified_; }

private:
    const RegValue* Find(const std::string& name) const;
    RegKey& OpenedForWrite(const std::string& name);

    Hive hive_;
    RegKey* current_ = nullptr;  // map nodes stay put, so this stays valid
    bool modified_ = false;
};

}  // namespace torvane
