// SPDX-License-Identifier: GPL-2.0-or-later
#include "model/quakeserver.h"

namespace torvane {

std::string ServerCaption(const TQuakeServer& server) {
    // Both numbers are shown unsigned, as the list has always shown them.
    // Made for every merged reply, hence no printf.
    return std::to_string(static_cast<unsigned>(server.Players.size())) + '/' +
           std::to_string(static_cast<uint32_t>(server.MaxClients));
}

const char* SourceName(ServerSource source) {
    switch (source) {
        case ServerSource::Lan:
            return "LAN";
        case ServerSource::Favourite:
            return "favourite";
        case ServerSource::Master:
            return "master";
    }
    return "LAN";
}

const char* SourceCaption(ServerSource source) {
    switch (source) {
        case ServerSource::Lan:
            return "LAN";
        case ServerSource::Favourite:
            return "Favourite";
        case ServerSource::Master:
            return "Master";
    }
    return "LAN";
}

std::string TrayHostCaption(const TQuakeServer& server) {
    return server.HostName + " " + ServerCaption(server);
}

std::string AddressText(const TQuakeServer& server) {
    return server.Address + ':' + server.Port;
}

std::string PingText(const TQuakeServer& server) {
    return server.Ping < 0 ? std::string() : std::to_string(server.Ping);
}

}  // namespace torvane
