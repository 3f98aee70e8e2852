// Feeds arbitrary bytes to the settings file reader. Whatever it accepts must
// be written back to a file that reads as the same store.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "settings/settingsfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    torvane::Hive hive;
    try {
        hive = torvane::ParseSettingsFile(text, "settings.json");
    } catch (const torvane::ESettingsFileError&) {
        return 0;
    }
    if (torvane::ParseSettingsFile(torvane::FormatSettingsFile(hive), "settings.json") != hive)
        __builtin_trap();
    return 0;
}
