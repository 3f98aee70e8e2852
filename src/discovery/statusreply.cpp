// SPDX-License-Identifier: GPL-2.0-or-later
#include "discovery/statusreply.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <string>

#include "platform/convert.h"

namespace torvane {

namespace {

// At most `limit` bytes of a zero-ended text.
std::string Cut(const char* text, std::size_t limit) {
    return std::string(text, strnlen(text, limit));
}

// `value` is the zero-ended value text in the datagram; only the values of
// the five keys are copied out, so the many other keys cost no allocation.
void StoreField(const char* key, const char* value, TQuakeServer& server) {
    if (std::strcmp(key, "hostname") == 0) {
        server.HostName = Cut(value, kMaxReplyValueLength);
    } else if (std::strcmp(key, "mapname") == 0) {
        server.MapName = Cut(value, kMaxReplyValueLength);
    } else if (std::strcmp(key, "maxclients") == 0) {
        server.MaxClients = StrToInt(value);
    } else if (std::strcmp(key, "fraglimit") == 0) {
        server.FragLimit = LimitValue(value);
    } else if (std::strcmp(key, "timelimit") == 0) {
        server.TimeLimit = LimitValue(value);
    }
}

// Reads "key\value\" pairs from `cursor` up to `line_end`, the backslash that
// replaced the line feed. Both searches stay inside the line, so a line ending
// with a key and no value stops the scan without reaching into the players.
void ParseServerInfo(char* cursor, char* line_end, TQuakeServer& server) {
    for (int pairs = 0; cursor < line_end && pairs < kMaxReplyKeys; ++pairs) {
        char* key_end = static_cast<char*>(std::memchr(cursor, '\\', line_end - cursor + 1));
        if (key_end == nullptr || key_end == line_end) return;
        *key_end = '\0';
        char* value = key_end + 1;
        char* value_end = static_cast<char*>(std::memchr(value, '\\', line_end - value + 1));
        if (value_end == nullptr) return;
        *value_end = '\0';
        StoreField(cursor, value, server);
        cursor = value_end + 1;
    }
}

// Reads one decimal integer after optional white space, like "%d". Answers
// false, leaving `value` alone, when there is none or it does not fit.
bool ReadDecimal(const char*& p, int32_t& value) {
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    const char* digits = p;
    bool negative = false;
    if (*digits == '+' || *digits == '-') negative = *digits++ == '-';
    if (!std::isdigit(static_cast<unsigned char>(*digits))) return false;
    int64_t magnitude = 0;
    for (; std::isdigit(static_cast<unsigned char>(*digits)); ++digits) {
        magnitude = magnitude * 10 + (*digits - '0');
        if (magnitude > int64_t{std::numeric_limits<int32_t>::max()} + 1) return false;
    }
    const int64_t signed_value = negative ? -magnitude : magnitude;
    if (signed_value > std::numeric_limits<int32_t>::max()) return false;
    value = static_cast<int32_t>(signed_value);
    p = digits;
    return true;
}

// Frags and ping of a player line; a number that cannot be read counts as 0.
void ReadScores(const char* cursor, Player& player) {
    if (ReadDecimal(cursor, player.Frags)) ReadDecimal(cursor, player.Ping);
}

void ParsePlayers(char* cursor, const char* end, TQuakeServer& server) {
    // One allocation for the list: there are at most as many players as
    // line feeds, plus a last line without one.
    const auto lines = static_cast<std::size_t>(std::count(static_cast<const char*>(cursor), end, '\n')) + 1;
    server.Players.reserve(std::min(lines, kMaxReplyPlayers));
    while (*cursor != '\0' && server.Players.size() < kMaxReplyPlayers) {
        Player player;
        // The numbers are read from the cursor, and so are the quotes: a name
        // ends at the first double quote inside it.
        ReadScores(cursor, player);
        char* open = std::strchr(cursor, '"');
        if (open == nullptr) return;
        char* close = std::strchr(open + 1, '"');
        if (close == nullptr) return;
        *close = '\0';
        player.Name.assign(open + 1, std::min<std::size_t>(close - open - 1, kMaxPlayerNameLength));
        cursor = close + 1;
        server.Players.push_back(std::move(player));
    }
}

bool IsDigits(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

}  // namespace

int32_t LimitValue(const std::string& text) {
    const size_t dot = text.find('.');
    if (dot == std::string::npos) return StrToInt(text);
    std::string whole = text.substr(0, dot);
    const std::string fraction = text.substr(dot + 1);
    if (!IsDigits(fraction)) throw EConvertError(text);
    // ".5" and "-.5" have a whole part of 0, as long as a digit follows.
    if (whole.empty() || !std::isdigit(static_cast<unsigned char>(whole.back()))) {
        if (fraction.empty()) throw EConvertError(text);
        whole += '0';
    }
    try {
        return StrToInt(whole);
    } catch (const EConvertError&) {
        throw EConvertError(text);
    }
}

void ParseStatusReply(char* data, int length, TQuakeServer& server) {
    if (length < kStatusReplyPrefixLength) return;
    data[length] = '\0';
    char* cursor = data + kStatusReplyPrefixLength;
    char* line_end = std::strchr(cursor, '\n');
    if (line_end == nullptr) return;
    *line_end = '\\';
    ParseServerInfo(cursor, line_end, server);
    ParsePlayers(line_end + 1, data + length, server);
}

int32_t ElapsedMs(int64_t start, int64_t now) {
    const int64_t ms = (now - start) / 10'000;
    if (ms > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (ms < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(ms);
}

bool IsAcceptableReply(const TQuakeServer& server) {
    return !server.HostName.empty() && !server.MapName.empty() && server.MaxClients != 0 &&
           server.MaxClients != 1;
}

}  // namespace torvane
