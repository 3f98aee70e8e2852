// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace torvane::test {

// Runs the repository's game server simulator (quakesim) on LAN host k (see
// lan_hosts.h) with `args`, and returns once it says all its servers are
// listening. Stop it with StopLanHost.
// `extra_addresses` are added to host k's interface first (as /32s), so
// that quakesim can be given them with --address: one host then plays the
// servers of many.
pid_t StartSimulatedServers(int k, const std::vector<std::string>& args,
                            const std::vector<std::string>& extra_addresses = {});

}  // namespace torvane::test
