#include "discovery/quakeserver.h"

#include <cstdio>

namespace torvane {

std::string ServerCaption(const TQuakeServer& server) {
    // Both numbers are shown unsigned, as the list has always shown them.
    char text[32];
    std::snprintf(text, sizeof text, "%u/%u", static_cast<unsigned>(server.Players.size()),
                  static_cast<unsigned>(static_cast<uint32_t>(server.MaxClients)));
    return text;
}

std::string TrayHostCaption(const TQuakeServer& server) {
    return server.HostName + " " + ServerCaption(server);
}

}  // namespace torvane
