// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace torvane {

// What one number of the settings is: the name of its value in the settings
// file, the label the options dialog shows beside it, the text it holds until
// the user changes it, and whether it is a port (1 to 65535).
struct NumberField {
    const char* name;
    const char* label;
    const char* default_text;
    bool port = false;
};

// A number as the user typed it. The settings keep the text, so that a field
// may hold anything while it is being edited; each reader converts it at the
// moment of use through one of the conversions below, and a bad number is
// named with its field wherever it surfaces.
class NumberText {
public:
    explicit NumberText(const NumberField& field) : field_(&field), text_(field.default_text) {}
    NumberText(const NumberField& field, std::string text) : field_(&field), text_(std::move(text)) {}

    // The text changes; the field stays.
    NumberText& operator=(std::string text) {
        text_ = std::move(text);
        return *this;
    }
    NumberText& operator=(const char* text) { return *this = std::string(text); }

    const std::string& Text() const { return text_; }
    const NumberField& Field() const { return *field_; }
    const char* Name() const { return field_->name; }
    const char* Label() const { return field_->label; }

    // Strict decimal conversion (blanks before it and a sign are allowed,
    // nothing after it): throws EConvertError ("'27910x' is not a valid
    // integer value") for a text that is no 32-bit integer. A port's range is
    // not looked at.
    int32_t Value() const;
    // The number, or the field's default for a text that is none.
    int32_t ValueOrDefault() const;
    // What keeps the text from being taken as this field: the conversion's
    // message, or for a port outside 1 to 65535 "70000 is not a port from 1
    // to 65535"; nothing when it can be taken.
    std::optional<std::string> Problem() const;
    // The same, after the field's label: "Port: '27910x' is not a valid
    // integer value".
    std::optional<std::string> LabelledProblem() const;

private:
    const NumberField* field_;
    std::string text_;
};

// Texts compare as texts: "027910" is not "27910".
inline bool operator==(const NumberText& number, std::string_view text) {
    return number.Text() == text;
}
std::ostream& operator<<(std::ostream& out, const NumberText& number);

// A port written as a plain number: digits only, at most five, 1 to 65535
// ("02791" is 2791, "027910" is none); nothing when the text is no such
// port. The ports of the server lists' words and of torvane-query's command
// line are read this way.
std::optional<uint16_t> PlainPortNumber(std::string_view text);

// The numbers of the settings.
inline constexpr NumberField kIntervalField{"BCInterval", "Interval", "30"};
inline constexpr NumberField kPortField{"Port", "Port", "27910", true};
inline constexpr NumberField kRetriesField{"Retries", "Retries", "5"};
inline constexpr NumberField kPort2Field{"Port2", "Port #2", "27920", true};
inline constexpr NumberField kPort3Field{"Port3", "Port #3", "27930", true};
inline constexpr NumberField kPort4Field{"Port4", "Port #4", "27940", true};
inline constexpr NumberField kQueryRateField{"QueryRate", "Queries per second", "1000"};
// The port of internet server 1 to 4, stored as text in its own subkey.
inline constexpr std::array<NumberField, 4> kWanPortFields = {{
    {"Port", "Port of internet server 1", "27910", true},
    {"Port", "Port of internet server 2", "27910", true},
    {"Port", "Port of internet server 3", "27910", true},
    {"Port", "Port of internet server 4", "27910", true},
}};

}  // namespace torvane
