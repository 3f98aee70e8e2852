// SPDX-License-Identifier: GPL-2.0-or-later
#include "model/numbertext.h"

#include <ostream>

#include "platform/convert.h"

namespace torvane {

namespace {
constexpr int32_t kLowestPort = 1;
constexpr int32_t kHighestPort = 65535;
}  // namespace

int32_t NumberText::Value() const {
    return StrToInt(text_);
}

int32_t NumberText::ValueOrDefault() const {
    return StrToIntDef(text_, StrToInt(field_->default_text));
}

std::optional<std::string> NumberText::Problem() const {
    int32_t value = 0;
    try {
        value = Value();
    } catch (const EConvertError& e) {
        return e.what();
    }
    if (!field_->port || (value >= kLowestPort && value <= kHighestPort)) return std::nullopt;
    return text_ + " is not a port from 1 to 65535";
}

std::optional<std::string> NumberText::LabelledProblem() const {
    if (auto problem = Problem()) return std::string(field_->label) + ": " + *problem;
    return std::nullopt;
}

std::ostream& operator<<(std::ostream& out, const NumberText& number) {
    return out << '"' << number.Text() << "\" (" << number.Name() << ')';
}

std::optional<uint16_t> PlainPortNumber(std::string_view text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    int32_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < kLowestPort || value > kHighestPort) return std::nullopt;
    return static_cast<uint16_t>(value);
}

}  // namespace torvane
