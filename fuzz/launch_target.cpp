// SPDX-License-Identifier: GPL-2.0-or-later
// Server addresses and ports come from the network and end up on the game's
// command line: whatever passes the checks must be a real IPv4 address and
// port, and must reach the command as exactly one "+connect" argument.
#include <arpa/inet.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "launcher/gamecommand.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    const std::string address = input.substr(0, split);
    const std::string port = split == std::string::npos ? std::string() : input.substr(split + 1);

    if (torvane::IsDottedIPv4(address)) {
        in_addr parsed{};
        if (inet_pton(AF_INET, address.c_str(), &parsed) != 1) std::abort();
    }
    if (torvane::IsPortText(port)) {
        const long value = std::strtol(port.c_str(), nullptr, 10);
        if (value < 1 || value > 65535 || std::to_string(value) != port) std::abort();
    }
    // A port text from a setting may carry blanks and leading zeros; what
    // goes on the command line is always a plain port.
    const std::optional<std::string> plain = torvane::PlainPortText(port);
    if (plain && !torvane::IsPortText(*plain)) std::abort();
    if (torvane::IsPortText(port) && plain != port) std::abort();
    if (torvane::IsDottedIPv4(address) && plain) {
        const torvane::GameCommand command =
            torvane::BuildGameCommand("/q2/quake2", "/q2", "quake2", address, *plain);
        if (command.Arguments.size() != 6 || command.Arguments[4] != "+connect" ||
            command.Arguments[5] != address + ":" + *plain) {
            std::abort();
        }
    }
    return 0;
}
