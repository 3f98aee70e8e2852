#pragma once

namespace torvane {

// The four things worth telling a player about.
enum class EventKind { NewHost, NewPlayer, NotFull, NewMap };

}  // namespace torvane
