// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/columnwidths.h"

#include <charconv>

namespace torvane {

std::vector<int> ReadColumnWidths(const std::string& text, int columns) {
    std::vector<int> widths(static_cast<std::size_t>(columns > 0 ? columns : 0), 0);
    std::size_t start = 0;
    for (int& width : widths) {
        if (start > text.size()) break;
        std::size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        int value = 0;
        const char* first = text.data() + start;
        const char* last = text.data() + end;
        const auto [stop, error] = std::from_chars(first, last, value);
        if (error == std::errc() && stop == last && value >= 1 && value <= kMaxColumnWidth) width = value;
        start = end + 1;
    }
    return widths;
}

std::string ColumnWidthsText(const std::vector<int>& widths) {
    std::string text;
    for (std::size_t i = 0; i < widths.size(); ++i) text += (i ? "," : "") + std::to_string(widths[i]);
    return text;
}

}  // namespace torvane
