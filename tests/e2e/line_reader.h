// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// Lines from a program's pipe as they come, for the whole-program tests.

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>

namespace torvane::test {

class LineReader {
public:
    // Reads `fd`, which the caller owns.
    explicit LineReader(int fd) : fd_(fd) {}

    // The next whole line without its newline, reading on until one comes;
    // nothing once `deadline` has passed or the pipe has ended.
    std::optional<std::string> Next(std::chrono::steady_clock::time_point deadline) {
        for (;;) {
            if (const auto end = pending_.find('\n'); end != std::string::npos) {
                std::string line = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return std::nullopt;
            pollfd ready{fd_, POLLIN, 0};
            if (poll(&ready, 1, static_cast<int>(left.count())) <= 0) continue;
            char chunk[4096];
            const ssize_t n = read(fd_, chunk, sizeof chunk);
            if (n <= 0) return std::nullopt;
            pending_.append(chunk, static_cast<std::size_t>(n));
        }
    }

private:
    int fd_;
    std::string pending_;  // read, not yet a whole line
};

}  // namespace torvane::test
