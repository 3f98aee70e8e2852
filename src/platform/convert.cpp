// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/convert.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>

namespace torvane {

EConvertError::EConvertError(const std::string& text)
    : std::runtime_error("'" + text + "' is not a valid integer value") {}

namespace {
std::optional<int32_t> ParseDecimal(const std::string& text) {
    const char* first = text.data();
    const char* last = first + text.size();
    while (first != last && *first == ' ') ++first;
    bool negative = false;
    if (first != last && (*first == '+' || *first == '-')) {
        negative = *first == '-';
        ++first;
    }
    if (first == last || *first < '0' || *first > '9') return std::nullopt;
    int64_t magnitude = 0;
    auto [end, error] = std::from_chars(first, last, magnitude);
    if (error != std::errc() || end != last) return std::nullopt;
    const int64_t value = negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(value);
}
}  // namespace

int32_t StrToInt(const std::string& text) {
    if (auto value = ParseDecimal(text)) return *value;
    throw EConvertError(text);
}

int32_t StrToIntDef(const std::string& text, int32_t fallback) {
    return ParseDecimal(text).value_or(fallback);
}

std::string IntToStr(int64_t value) {
    return std::to_string(value);
}

std::string DottedAddress(uint32_t network_order_address) {
    unsigned char bytes[4];
    std::memcpy(bytes, &network_order_address, sizeof bytes);
    // Made for every datagram received: digits without printf's machinery.
    std::string text;
    text.reserve(15);
    for (int i = 0; i < 4; ++i) {
        if (i > 0) text += '.';
        const unsigned byte = bytes[i];
        if (byte >= 100) text += static_cast<char>('0' + byte / 100);
        if (byte >= 10) text += static_cast<char>('0' + byte / 10 % 10);
        text += static_cast<char>('0' + byte % 10);
    }
    return text;
}

}  // namespace torvane
