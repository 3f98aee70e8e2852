// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/serverlists.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace torvane {

namespace {

bool IsDigits(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

bool IsPort(const std::string& text) {
    return IsDigits(text) && text.size() <= 5 && std::stoi(text) >= 1 && std::stoi(text) <= 65535;
}

std::vector<std::string> Labels(const std::string& host) {
    std::vector<std::string> labels;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = host.find('.', start);
        labels.push_back(host.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
        if (dot == std::string::npos) return labels;
        start = dot + 1;
    }
}

bool IsIpv4(const std::vector<std::string>& labels) {
    return labels.size() == 4 && std::all_of(labels.begin(), labels.end(), [](const std::string& part) {
               return IsDigits(part) && part.size() <= 3 && std::stoi(part) <= 255;
           });
}

bool IsNameLabel(const std::string& label) {
    return !label.empty() && label.size() <= 63 && label.front() != '-' && label.back() != '-' &&
           std::all_of(label.begin(), label.end(),
                       [](unsigned char c) { return std::isalnum(c) || c == '-'; });
}

// A dotted IPv4 address, or a host name the system can look up. A name
// whose last part is a number is no name but a mistyped address.
bool IsHost(const std::string& host) {
    if (host.empty() || host.size() > 253) return false;
    const std::vector<std::string> labels = Labels(host);
    if (IsIpv4(labels)) return true;
    return !IsDigits(labels.back()) && std::all_of(labels.begin(), labels.end(), IsNameLabel);
}

const char* DefaultPort(ServerList list) {
    return list == ServerList::kMasters ? kDefaultMasterPort : kDefaultGamePort;
}

struct HostPort {
    std::string host;
    std::string port;
};

// A word split at its last colon; no colon takes the list's port.
HostPort Split(ServerList list, const std::string& word) {
    const std::size_t colon = word.rfind(':');
    if (colon == std::string::npos) return {word, DefaultPort(list)};
    return {word.substr(0, colon), word.substr(colon + 1)};
}

// Host names are the same in any case; 027910 is port 27910.
std::string Key(ServerList list, const std::string& word) {
    HostPort parts = Split(list, word);
    std::transform(parts.host.begin(), parts.host.end(), parts.host.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (IsPort(parts.port)) parts.port = std::to_string(std::stoi(parts.port));
    return parts.host + ':' + parts.port;
}

}  // namespace

std::vector<std::string> ServerListEntries(const std::string& text) {
    std::vector<std::string> entries;
    std::istringstream words(text);
    std::string word;
    while (words >> word) entries.push_back(word);
    return entries;
}

std::string ServerListText(const std::vector<std::string>& entries) {
    std::string text;
    for (const std::string& entry : entries) text += (text.empty() ? "" : " ") + entry;
    return text;
}

std::optional<std::string> ReadServerEntry(ServerList list, const std::string& typed,
                                           const std::vector<std::string>& entries, std::string& entry) {
    const std::size_t first = typed.find_first_not_of(" \t\r\n");
    const std::size_t last = typed.find_last_not_of(" \t\r\n");
    const std::string word =
        first == std::string::npos ? std::string() : typed.substr(first, last - first + 1);
    const HostPort parts = Split(list, word);
    if (!IsHost(parts.host)) return "'" + word + "' is not a host name or IPv4 address";
    if (parts.port.empty()) return "'" + word + "' has no port after its colon";
    if (!IsPort(parts.port)) return parts.port + " is not a port from 1 to 65535";
    const std::string stored = list == ServerList::kFavorites ? parts.host + ':' + parts.port : word;
    const std::string key = Key(list, stored);
    for (const std::string& other : entries)
        if (Key(list, other) == key) return stored + " is in the list already";
    entry = stored;
    return std::nullopt;
}

bool ListsServer(ServerList list, const std::string& text, const std::string& address_port) {
    const std::string key = Key(list, address_port);
    const std::vector<std::string> entries = ServerListEntries(text);
    return std::any_of(entries.begin(), entries.end(),
                       [&](const std::string& entry) { return Key(list, entry) == key; });
}

}  // namespace torvane
