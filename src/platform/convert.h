// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace torvane {

// The conversion failure of a text that should hold an integer. Its message is
// the one users see: "'abc' is not a valid integer value".
class EConvertError : public std::runtime_error {
public:
    explicit EConvertError(const std::string& text);
};

// Converts a decimal integer text (optional leading blanks, optional sign,
// digits, nothing after them) to a signed 32-bit value. Anything else, the
// empty text and values out of range included, throws EConvertError.
int32_t StrToInt(const std::string& text);

// Like StrToInt, but answers `fallback` instead of throwing.
int32_t StrToIntDef(const std::string& text, int32_t fallback);

// Formats with printf-style "%d".
std::string IntToStr(int64_t value);

// Dotted text ("192.168.0.5") of an IPv4 address given as it sits in a
// socket address, in network byte order.
std::string DottedAddress(uint32_t network_order_address);

}  // namespace torvane
