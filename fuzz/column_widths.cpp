// SPDX-License-Identifier: GPL-2.0-or-later
// Feeds arbitrary text to the reader of stored column widths: it never reads
// past the text, gives exactly the asked number of widths, each 0 or within
// its bounds, and what it gives back reads again as the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/columnwidths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const int columns = data[0] % 12;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::vector<int> widths = torvane::ReadColumnWidths(text, columns);
    if (widths.size() != static_cast<std::size_t>(columns)) __builtin_trap();
    for (const int width : widths)
        if (width < 0 || width > torvane::kMaxColumnWidth) __builtin_trap();
    if (torvane::ReadColumnWidths(torvane::ColumnWidthsText(widths), columns) != widths) __builtin_trap();
    return 0;
}
