// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "model/quakeserver.h"

namespace torvane {

// The services every subsystem shares. The program builds each of them once
// and hands it to whoever needs it, so that a subsystem's own host interface
// holds only the questions that are really its own.

// The Busy box: the user does not want to be disturbed.
class BusyFlag {
public:
    virtual ~BusyFlag() = default;
    virtual bool BusyChecked() const = 0;
    // Ticks or unticks the box; a change runs the box's click handling just
    // as a user's click does.
    virtual void SetBusyCheck(bool checked) = 0;
};

// The one log operation: a line with the local time, when logging is on.
class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void AddLogLine(const std::string& text) = 0;
};

// The main window's status bar: panel 0 tells the state of the search and
// socket errors, panel 1 the last event or peer message.
class StatusLine {
public:
    virtual ~StatusLine() = default;
    virtual void SetStatusText(int panel, const std::string& text) = 0;
};

// The game: whether it runs (asking may change this copy's peer status) and
// a launch into a server.
class Game {
public:
    virtual ~Game() = default;
    virtual bool IsGameRunning() = 0;
    virtual void LaunchGame(const TQuakeServer& server) = 0;
};

// The guarded event sound: silent during the first search and while busy.
class EventSounds {
public:
    virtual ~EventSounds() = default;
    virtual void PlayEventSound(const std::string& path) = 0;
};

// The services a subsystem that uses all of them is handed.
struct Services {
    BusyFlag& busy;
    LogSink& log;
    StatusLine& status;
    Game& game;
    EventSounds& sounds;
};

}  // namespace torvane
