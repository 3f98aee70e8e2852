// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

namespace torvane {

// The four things worth telling a player about.
enum class EventKind { NewHost, NewPlayer, NotFull, NewMap };

}  // namespace torvane
