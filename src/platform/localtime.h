// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace torvane {

// The wall-clock time of `calendar_seconds` in the local time zone, written
// in the long time format of the user's locale (strftime's "%X" under the
// LC_ALL / LC_TIME / LANG of the environment), e.g. "21:07:45" or
// "09:07:45 PM". The program's own C locale is left alone.
std::string LongTimeText(int64_t calendar_seconds);

}  // namespace torvane
