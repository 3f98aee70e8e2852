// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

namespace torvane {

// Whether `address` (dotted IPv4 text) is one of this computer's own: any
// loopback address, or an address of one of its network interfaces as they
// are now.
bool IsLocalAddress(const std::string& address);

}  // namespace torvane
