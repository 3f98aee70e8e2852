// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace torvane {

// A failed read or write of a settings value. The messages are the ones users
// see: "Failed to get data for 'Port'", "Invalid data type for 'Port'",
// "Failed to set data for 'Port'".
class ERegistryException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;

    static ERegistryException GetDataFailed(const std::string& name);
    static ERegistryException InvalidDataType(const std::string& name);
    static ERegistryException SetDataFailed(const std::string& name);
};

// The settings store: keys named by absolute paths ("\Software\Torvane"),
// each holding named values that are 32-bit integers or 8-bit strings.
// Booleans are integers, 1 for true and 0 for false, and read as true for any
// non-zero number. One key is open at a time; values are read and written in
// the open key.
class Registry {
public:
    virtual ~Registry() = default;

    // Opens the key at `path`, replacing the key open before. A missing key
    // is created only when `can_create` is set. Answers whether a key is open.
    virtual bool OpenKey(const std::string& path, bool can_create) = 0;
    virtual void CloseKey() = 0;

    virtual bool ValueExists(const std::string& name) const = 0;

    // Throws ERegistryException: GetDataFailed when the value is missing (or
    // no key is open), InvalidDataType when it is of any other kind.
    virtual int32_t ReadInteger(const std::string& name) const = 0;
    // A missing value reads as empty text; one of any other kind is
    // InvalidDataType.
    virtual std::string ReadString(const std::string& name) const = 0;
    bool ReadBool(const std::string& name) const { return ReadInteger(name) != 0; }

    // Writes or replaces a value of the open key. Throws SetDataFailed when
    // the value cannot be stored.
    virtual void WriteInteger(const std::string& name, int32_t value) = 0;
    virtual void WriteString(const std::string& name, const std::string& value) = 0;
    void WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }

    // Answers whether the value was there to delete.
    virtual bool DeleteValue(const std::string& name) = 0;

    // Makes every change since the last flush lasting.
    virtual void Flush() = 0;
};

}  // namespace torvane
