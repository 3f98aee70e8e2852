// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

namespace torvane::test {

// More hosts on the private LAN of RunInIsolatedLan: call these only inside
// its body. Host k (1 to 200) is a child process in a network namespace of
// its own, joined to the LAN's bridge by a veth pair, with address
// 10.99.0.(10 + k)/24 and its default route on the LAN, so broadcasts reach
// every host and the bridge's own namespace.

// The address of host k.
std::string LanHostAddress(int k);

// Starts host k running `body`; the host process exits with body's result.
// Returns once the host's network is up. Throws when it cannot be built.
pid_t StartLanHost(int k, std::function<int()> body);

// Waits for a host to end and returns its exit status (128 + signal when it
// was killed).
int WaitLanHost(pid_t pid);

// Ends a host that serves until killed.
void StopLanHost(pid_t pid);

// Runs `command` through /bin/sh on host k and returns what it wrote on
// standard output; `status` receives its exit status.
std::string RunOnLanHost(int k, const std::string& command, int& status);

}  // namespace torvane::test
