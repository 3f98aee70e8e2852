// SPDX-License-Identifier: GPL-2.0-or-later
// Log texts carry names and messages from the network: none may break a line
// or carry a control character to the file, the window or a terminal.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "notify/log.h"
#include "platform/clock.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const torvane::ManualClock clock;
    const std::string text(reinterpret_cast<const char*>(data), size);
    torvane::EventLog log(clock);
    log.AddLogLine(text);
    const std::string& line = log.Lines().back();
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || (byte >= 0x7F && byte <= 0x9F)) std::abort();
    }
    // Nothing else changes: each byte of the text is there, a control byte
    // as its escape.
    static constexpr char kHex[] = "0123456789ABCDEF";
    size_t at = line.find(" : ") + 3;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || (byte >= 0x7F && byte <= 0x9F)) {
            const char escape[] = {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
            if (line.compare(at, 4, escape, 4) != 0) std::abort();
            at += 4;
        } else {
            if (at >= line.size() || line[at] != c) std::abort();
            ++at;
        }
    }
    if (at != line.size()) std::abort();
    return 0;
}
