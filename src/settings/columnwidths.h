// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <vector>

namespace torvane {

// The widest a list column may be stored as; wider is taken as a slip.
inline constexpr int kMaxColumnWidth = 4000;

// A list's column widths as the settings keep them: "185,80,51", a width a
// column from the first. A part that is no width from 1 to kMaxColumnWidth
// comes back as 0, "keep the built-in width"; at most `columns` parts are
// read, and missing ones are 0 too.
std::vector<int> ReadColumnWidths(const std::string& text, int columns);
std::string ColumnWidthsText(const std::vector<int>& widths);

}  // namespace torvane
