// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <functional>

namespace torvane::test {

// Whether this process may create a network namespace of its own (root or
// CAP_SYS_ADMIN). Tests that need a private LAN skip when it is false.
bool CanCreateNetworkNamespace();

// Runs `body` in a forked child inside a fresh network namespace that holds a
// private LAN: loopback up, and a bridge br0 at 10.99.0.1/24 carrying the
// default route, so a datagram sent to 255.255.255.255 goes out on br0 and
// comes back to the sockets of this namespace bound to its port. Nothing the
// body sends can reach the machine's own network.
//
// The child exits 0 when the body raised no test failure, 1 when it did and
// 2 when the body threw or the LAN could not be built. The parent waits and
// returns that status (128 + signal when the child was killed, -1 when the
// fork failed). Use as EXPECT_EQ(0, RunInIsolatedLan([] { ... }));
//
// A process that already runs other threads (a test program that has shown
// windows before) cannot fork safely: it runs the current test again, alone,
// as a new process inside the namespace, and that run takes the body in
// place. So code before the call may run twice, once in each process.
int RunInIsolatedLan(std::function<void()> body);

}  // namespace torvane::test

// Skips a test that broadcasts when no private LAN can be built.
#define SKIP_WITHOUT_PRIVATE_LAN()                     \
    if (!::torvane::test::CanCreateNetworkNamespace()) \
    GTEST_SKIP() << "needs root to build a private LAN in network namespaces: a search broadcasts"
