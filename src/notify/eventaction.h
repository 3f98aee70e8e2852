#pragma once

#include <string>

namespace torvane {

// The four things worth telling a player about.
enum class EventKind { NewHost, NewPlayer, NotFull, NewMap };

// What the user wants done when an event of one kind happens.
struct EventAction {
    bool Popup = false;
    bool Launch = false;
    bool Play = false;
    std::string Sound;
};

}  // namespace torvane
