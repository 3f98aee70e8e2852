// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>

namespace torvane {

// The name this machine goes by on the network, as other users see it in
// their info pane. A seam so tests can pick the name, or make it unreadable.
class ComputerName {
public:
    virtual ~ComputerName() = default;

    // The name, or nothing when the system cannot tell it.
    virtual std::optional<std::string> Read() const = 0;
};

// Reads the name with gethostname into a 256-byte buffer.
class SystemComputerName final : public ComputerName {
public:
    std::optional<std::string> Read() const override;
};

}  // namespace torvane
