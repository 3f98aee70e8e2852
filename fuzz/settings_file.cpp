// SPDX-License-Identifier: GPL-2.0-or-later
// Feeds arbitrary bytes to the settings file reader. Whatever it accepts must
// be written back to a file that reads as the same store, and every value in
// it must read as a number, a text, or one of the store's own errors.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "settings/settingsfile.h"

namespace {

void ReadEveryValue(const torvane::Hive& hive) {
    torvane::MemoryRegistry store(hive);
    for (const auto& [path, values] : hive) {
        if (!store.OpenKey(path, false)) __builtin_trap();
        for (const auto& [name, value] : values) {
            const bool foreign = std::holds_alternative<torvane::ForeignValue>(value);
            try {
                (void)store.ReadInteger(name);
                if (foreign) __builtin_trap();
            } catch (const torvane::ERegistryException&) {
            }
            try {
                (void)store.ReadString(name);
                if (foreign) __builtin_trap();
            } catch (const torvane::ERegistryException&) {
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    torvane::Hive hive;
    try {
        hive = torvane::ParseSettingsFile(text, "settings.json");
    } catch (const torvane::ESettingsFileError&) {
        return 0;
    }
    ReadEveryValue(hive);
    if (torvane::ParseSettingsFile(torvane::FormatSettingsFile(hive), "settings.json") != hive)
        __builtin_trap();
    return 0;
}
