// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/queryoptions.h"

#include <charconv>

namespace torvane {

namespace {

// A whole decimal number from `min` to `max`, nothing else.
std::optional<uint32_t> Number(const std::string& text, uint32_t min, uint32_t max) {
    uint32_t value = 0;
    const char* end = text.data() + text.size();
    auto [last, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || last != end || value < min || value > max)
        return std::nullopt;
    return value;
}

bool IsPort(const std::string& text) {
    return Number(text, 1, 65535).has_value();
}

// "HOST" or "HOST:PORT"; the host may not be empty or contain blanks.
std::optional<QueryTarget> Server(const std::string& text, const char* default_port = kDefaultGamePort) {
    QueryTarget target{true, text, default_port};
    if (const auto colon = text.rfind(':'); colon != std::string::npos) {
        target.Address = text.substr(0, colon);
        target.Port = text.substr(colon + 1);
        if (!IsPort(target.Port)) return std::nullopt;
    }
    if (target.Address.empty() || target.Address.find_first_of(" \t") != std::string::npos)
        return std::nullopt;
    return target;
}

}  // namespace

std::string QueryUsage() {
    return "Usage: torvane-query [OPTION]...\n"
           "\n"
           "Runs one search for Quake II servers, by broadcast on the local network, by\n"
           "asking the servers given directly and the servers the master servers given\n"
           "list, and prints the servers that answered with their players, each with its\n"
           "ping and where it came from. Exit status: 0 when a server answered, 1 when\n"
           "none did, 2 for a command line it cannot take.\n"
           "\n"
           "Options:\n"
           "      --json                print the servers as JSON instead of text\n"
           "      --window-ms MS        wait MS milliseconds for replies (default 2000)\n"
           "      --port N              broadcast on port N (up to four; default 27910)\n"
           "      --no-broadcast        broadcast nothing: ask only the servers given\n"
           "      --server HOST[:PORT]  ask this server directly (port 27910 unless given)\n"
           "      --master HOST[:PORT]  ask every server this master server lists (port\n"
           "                            27900 unless given)\n"
           "      --rate N              send at most N status queries per second\n"
           "                            (default 1000)\n"
           "  -h, --help                print this help and exit\n"
           "      --version             print the version and exit\n";
}

std::optional<QueryOptions> ParseQueryOptions(const std::vector<std::string>& args, std::string& error) {
    QueryOptions options;
    bool no_broadcast = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> const std::string* {
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return nullptr;
            }
            return &args[++i];
        };
        if (arg == "--json") {
            options.json = true;
        } else if (arg == "--no-broadcast") {
            no_broadcast = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--window-ms") {
            const std::string* text = value();
            if (!text) return std::nullopt;
            const auto ms = Number(*text, 1, 3'600'000);
            if (!ms) {
                error = "--window-ms takes milliseconds from 1 to 3600000, not '" + *text + "'";
                return std::nullopt;
            }
            options.window_ms = *ms;
        } else if (arg == "--port") {
            const std::string* text = value();
            if (!text) return std::nullopt;
            if (!IsPort(*text)) {
                error = "--port takes a port from 1 to 65535, not '" + *text + "'";
                return std::nullopt;
            }
            if (options.ports.size() == kMaxBroadcastPorts) {
                error = "at most four --port values";
                return std::nullopt;
            }
            options.ports.push_back(*text);
        } else if (arg == "--server") {
            const std::string* text = value();
            if (!text) return std::nullopt;
            auto server = Server(*text);
            if (!server) {
                error = "--server takes HOST or HOST:PORT with a port from 1 to 65535, not '" + *text + "'";
                return std::nullopt;
            }
            options.servers.push_back(*server);
        } else if (arg == "--master") {
            const std::string* text = value();
            if (!text) return std::nullopt;
            auto master = Server(*text, "27900");
            if (!master) {
                error = "--master takes HOST or HOST:PORT with a port from 1 to 65535, not '" + *text + "'";
                return std::nullopt;
            }
            options.masters.push_back(*master);
        } else if (arg == "--rate") {
            const std::string* text = value();
            if (!text) return std::nullopt;
            const auto rate = Number(*text, 1, 1'000'000);
            if (!rate) {
                error = "--rate takes queries per second from 1 to 1000000, not '" + *text + "'";
                return std::nullopt;
            }
            options.rate = *rate;
        } else {
            error = "unknown argument '" + arg + "'";
            return std::nullopt;
        }
    }
    if (no_broadcast && options.servers.empty() && options.masters.empty() && !options.help &&
        !options.version) {
        error = "--no-broadcast without a --server or a --master asks nobody";
        return std::nullopt;
    }
    if (no_broadcast)
        options.ports.clear();
    else if (options.ports.empty())
        options.ports.push_back(kDefaultGamePort);
    return options;
}

}  // namespace torvane
