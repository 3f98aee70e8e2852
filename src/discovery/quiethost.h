// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "discovery/dispatch.h"
#include "discovery/hostview.h"
#include "model/services.h"

namespace torvane {

// A host table's window, settings and services that show nothing, launch
// nothing and play nothing: for programs that only want the table itself,
// such as the command-line query and the benchmarks. Override what you need.
class QuietHost : public HostWindow,
                  public HostSettings,
                  public BusyFlag,
                  public LogSink,
                  public StatusLine,
                  public Game,
                  public EventSounds {
public:
    // Itself as every service.
    Services AsServices() { return {*this, *this, *this, *this, *this}; }

    void ShowIconImage(int) override {}
    void ShowMainWindow() override {}
    void RestoreApplication() override {}
    void BringToFront() override {}

    NumberText Retries() const override { return NumberText(kRetriesField); }
    EventAction Action(EventKind) const override { return {}; }

    bool BusyChecked() const override { return false; }
    void SetBusyCheck(bool) override {}
    void AddLogLine(const std::string&) override {}
    void SetStatusText(int, const std::string&) override {}
    bool IsGameRunning() override { return false; }
    void LaunchGame(const TQuakeServer&) override {}
    void PlayEventSound(const std::string&) override {}
};

// Peer receivers that drop every peer datagram, for the same programs.
class QuietPeers : public PeerReceiver {
public:
    void ReceiveChat(const char*, int, const std::string&) override {}
    void ReceiveInfo(const char*, int, const std::string&) override {}
    void ReceiveStatusRequest(const char*, int, const std::string&) override {}
    void ReceiveChallenge(const char*, int, const std::string&) override {}
};

}  // namespace torvane
