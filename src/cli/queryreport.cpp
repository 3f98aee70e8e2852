// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/queryreport.h"

namespace torvane {

std::string Latin1ToUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

namespace {

// Names come from the network: control characters would move the cursor or
// recolour the terminal, so they are shown as '?'. That includes 0x80 to
// 0x9F, whose characters U+0080 to U+009F some terminals take as controls
// too (U+009B starts an escape sequence).
std::string Printable(const std::string& text) {
    std::string shown = text;
    for (char& c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || (byte >= 0x7F && byte <= 0x9F)) c = '?';
    }
    return Latin1ToUtf8(shown);
}

std::string ServerLines(const TQuakeServer& server) {
    std::string out = Printable(server.HostName) + "  " + Printable(server.MapName) + "  " +
                      ServerCaption(server) + "  " + server.Address + ":" + Printable(server.Port) + "  " +
                      std::to_string(server.AnswerTime) + " ms  ping " + std::to_string(server.Ping) + "  " +
                      SourceName(server.Source) + "\n";
    for (const Player& player : server.Players) {
        out += "    " + Printable(player.Name) + "  " + std::to_string(player.Frags) + " frags  " +
               std::to_string(player.Ping) + " ping\n";
    }
    return out;
}

}  // namespace

std::string TextReport(const std::vector<TQuakeServer>& servers) {
    std::string out;
    for (const TQuakeServer& server : servers) out += ServerLines(server);
    return out;
}

void WriteTextReport(const std::vector<TQuakeServer>& servers, std::FILE* out) {
    for (const TQuakeServer& server : servers) std::fputs(ServerLines(server).c_str(), out);
}

}  // namespace torvane
