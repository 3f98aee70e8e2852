// SPDX-License-Identifier: GPL-2.0-or-later
#include "peers/peerdatagram.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace torvane {

namespace {

constexpr char kTab = '\t';

std::string_view Cut(std::string_view text, size_t limit) {
    return text.substr(0, limit);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

void AppendField(std::string& datagram, char letter, std::string_view value) {
    datagram += kTab;
    datagram += letter;
    datagram += Cut(value, kMaxFieldValue);
}

char StatusLetter(PeerStatus status) {
    switch (status) {
        case PeerStatus::Busy:
            return 'B';
        case PeerStatus::Playing:
            return 'P';
        default:
            return 'R';
    }
}

// Stores one field: its letter and the value after it, cut to the limit.
void ApplyInfoField(std::string_view field, User& user) {
    if (field.empty()) return;  // a tab at the very end
    const std::string_view value = Cut(field.substr(1), kMaxFieldValue);
    switch (field[0]) {
        case 'A':
            user.Name = value;
            break;
        case 'B':
            user.Status = ReadInfoStatus(value);
            break;
        case 'C':
            user.Message = value;
            break;
        case 'D':
            user.ReservedTexts[0] = value;
            break;
        case 'E':
            user.ReservedTexts[1] = value;
            break;
        case 'F':
            user.ReservedTexts[2] = value;
            break;
        case 'G':
            user.ReservedIntegers[0] = ReadInfoInteger(value);
            break;
        case 'H':
            user.Skill = ReadInfoInteger(value);
            break;
        case 'I':
            user.ReservedIntegers[1] = ReadInfoInteger(value);
            break;
        case 'J':
            user.ReservedIntegers[2] = ReadInfoInteger(value);
            break;
        case 'K':
            user.KNumber = ReadInfoInteger(value);
            break;
        case 'L':
            user.Version = value;
            break;
        case 'M':
            user.ComputerName = value;
            break;
        case 'N':
            user.OwnerName = value;
            break;
        default:
            break;  // letters of later versions
    }
}

}  // namespace

std::string ReadPayload(const char* data, size_t length) {
    if (data == nullptr || length <= kTagLength) return {};
    const char* payload = data + kTagLength;
    const size_t available = std::min(length - kTagLength, kMaxPayload);
    return std::string(payload, strnlen(payload, available));
}

int32_t ReadInfoInteger(std::string_view value) {
    size_t i = 0;
    while (i < value.size() && IsBlank(value[i])) ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) negative = value[i++] == '-';
    // Accumulated towards the sign's side so that INT32_MIN is reachable.
    constexpr int64_t kLimit = static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1;
    int64_t magnitude = 0;
    for (; i < value.size() && IsDigit(value[i]); ++i)
        magnitude = std::min(magnitude * 10 + (value[i] - '0'), kLimit);
    const int64_t signed_value = negative ? -magnitude : std::min(magnitude, kLimit - 1);
    return static_cast<int32_t>(signed_value);
}

PeerStatus ReadInfoStatus(std::string_view value) {
    if (value.empty()) return PeerStatus::Unknown;
    switch (value[0]) {
        case 'B':
            return PeerStatus::Busy;
        case 'R':
            return PeerStatus::Ready;
        case 'P':
            return PeerStatus::Playing;
        default:
            return PeerStatus::Unknown;
    }
}

void ParseInfo(std::string_view payload, User& user) {
    // Text before the first tab is not a field.
    size_t tab = payload.find(kTab);
    while (tab != std::string_view::npos) {
        const size_t next = payload.find(kTab, tab + 1);
        const size_t end = next == std::string_view::npos ? payload.size() : next;
        ApplyInfoField(payload.substr(tab + 1, end - tab - 1), user);
        tab = next;
    }
}

std::optional<ChatLine> ParseChat(std::string_view payload) {
    const size_t tab = payload.find(kTab);
    if (tab == std::string_view::npos) return std::nullopt;
    ChatLine line;
    line.Name = payload.substr(0, tab);
    if (tab + 1 < payload.size()) {
        line.Kind = payload[tab + 1];
        line.Text = payload.substr(tab + 2);
    }
    return line;
}

std::optional<Challenge> ParseChallenge(std::string_view payload) {
    std::string_view fields[4];
    for (auto& field : fields) {
        const size_t tab = payload.find(kTab);
        if (tab == std::string_view::npos) return std::nullopt;
        field = payload.substr(0, tab);
        payload.remove_prefix(tab + 1);
    }
    return Challenge{std::string(fields[0]), std::string(fields[1]), std::string(fields[2]),
                     std::string(fields[3]), std::string(payload)};
}

std::string BuildInfo(const InfoFields& fields) {
    std::string datagram(kInfoTag);
    AppendField(datagram, 'K', "1");
    AppendField(datagram, 'A', fields.Name);
    AppendField(datagram, 'B', std::string(1, StatusLetter(fields.Status)));
    AppendField(datagram, 'C', fields.Message);
    AppendField(datagram, 'H', std::to_string(fields.Skill));
    if (fields.Version) AppendField(datagram, 'L', *fields.Version);
    if (fields.ComputerName) AppendField(datagram, 'M', *fields.ComputerName);
    return std::string(Cut(datagram, kInfoBufferSize - 1));
}

std::string BuildChat(std::string_view name, char kind, std::string_view text) {
    std::string datagram(kChatTag);
    datagram += Cut(name, kMaxFieldValue);
    datagram += kTab;
    datagram += kind;
    datagram += text;
    return std::string(Cut(datagram, kChatBufferSize - 1));
}

std::string BuildChallenge(const Challenge& challenge) {
    std::string datagram(kChallengeTag);
    datagram += Cut(challenge.Challenger, kMaxFieldValue);
    for (const std::string* field :
         {&challenge.HostName, &challenge.Address, &challenge.Port, &challenge.MapName}) {
        datagram += kTab;
        datagram += Cut(*field, kMaxFieldValue);
    }
    return std::string(Cut(datagram, kChallengeBufferSize - 1));
}

}  // namespace torvane
