// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/settingsfile.h"

#include <algorithm>
#include <istream>
#include <nlohmann/json.hpp>
#include <streambuf>
#include <type_traits>
#include <vector>

namespace torvane {

namespace {

using Json = nlohmann::json;
// Keeps the members of an object in the order they were found.
using OrderedJson = nlohmann::ordered_json;

// The deepest nesting of arrays and objects kept in one value.
constexpr size_t kMaxNesting = 32;

// A read-only stream over the text that can tell how far the parser has read,
// so that layout errors get a position as precise as syntax errors.
class TextBuffer final : public std::streambuf {
public:
    explicit TextBuffer(std::string_view text) {
        char* begin = const_cast<char*>(text.data());  // never written through
        setg(begin, begin, begin + text.size());
    }
    size_t Consumed() const { return static_cast<size_t>(gptr() - eback()); }

    // Where the next token begins after `offset`: the parser may have read
    // past separators (and one character after a number) before it calls
    // back, so the position of a token is found from the end of the one
    // before it.
    size_t NextTokenFrom(size_t offset) const {
        const char* p = eback() + offset;
        while (p < egptr() && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == ':' || *p == ','))
            ++p;
        return static_cast<size_t>(p - eback());
    }
};

// Builds the hive while the parser walks the text, and stops at the first
// thing that does not belong in a settings file. A value of a kind the store
// does not read is collected, with everything nested in it, and kept as
// found.
class HiveReader final : public nlohmann::json_sax<Json> {
public:
    explicit HiveReader(const TextBuffer& buffer) : buffer_(buffer) {}

    bool null() override { return Foreign(nullptr); }
    bool boolean(bool value) override { return Foreign(value); }
    bool number_integer(number_integer_t value) override {
        return value < INT32_MIN || value > INT32_MAX ? Foreign(value) : Integer(static_cast<int32_t>(value));
    }
    bool number_unsigned(number_unsigned_t value) override {
        return value > static_cast<number_unsigned_t>(INT32_MAX) ? Foreign(value)
                                                                 : Integer(static_cast<int32_t>(value));
    }
    bool number_float(number_float_t value, const string_t&) override { return Foreign(value); }
    bool string(string_t& text) override;
    bool binary(binary_t&) override { return Reject("binary data is not a settings value"); }
    bool start_object(std::size_t) override;
    bool key(string_t& name) override;
    bool end_object() override;
    bool start_array(std::size_t) override;
    bool end_array() override { return EndForeignContainer(); }
    bool parse_error(std::size_t position, const std::string&,
                     const nlohmann::detail::exception& error) override;

    Hive& Result() { return hive_; }
    // Offset of the first character in error.
    size_t ErrorOffset() const { return error_offset_; }
    const std::string& ErrorReason() const { return error_reason_; }

private:
    static std::string NotAnObject() { return "the file and each key must be an object"; }
    bool InForeign() const { return !open_.empty(); }
    bool Integer(int32_t value);
    // A complete value of another kind, or one more part of the one being collected.
    bool Foreign(OrderedJson value);
    bool StartForeignContainer(OrderedJson empty);
    bool EndForeignContainer();
    bool Accept() {
        accepted_end_ = buffer_.Consumed();
        return true;
    }
    bool Reject(const std::string& reason);
    std::string Where() const;

    const TextBuffer& buffer_;
    Hive hive_;
    int depth_ = 0;  // 1 inside the file's object, 2 inside a key
    std::string key_path_;
    RegKey* key_ = nullptr;
    std::string value_name_;
    // The value of another kind being collected: its outermost array or
    // object, the containers open in it (innermost last) and the name of the
    // next member of the innermost object.
    OrderedJson foreign_;
    std::vector<OrderedJson*> open_;
    std::string member_name_;
    size_t accepted_end_ = 0;  // how far the parser had read at the last accepted token
    size_t error_offset_ = 0;
    std::string error_reason_;
};

std::string Quoted(const std::string& text) {
    return Json(text).dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string HiveReader::Where() const {
    if (depth_ == 2) return "value " + Quoted(value_name_) + " of key " + Quoted(key_path_) + ": ";
    if (depth_ == 1) return "key " + Quoted(key_path_) + ": ";
    return "";
}

bool HiveReader::Reject(const std::string& reason) {
    error_offset_ = buffer_.NextTokenFrom(accepted_end_);
    error_reason_ = Where() + reason;
    return false;
}

bool HiveReader::Integer(int32_t value) {
    if (InForeign()) return Foreign(value);
    if (depth_ != 2) return Reject(NotAnObject());
    (*key_)[value_name_] = value;
    return Accept();
}

bool HiveReader::string(string_t& text) {
    if (InForeign()) return Foreign(std::move(text));
    if (depth_ != 2) return Reject(NotAnObject());
    (*key_)[value_name_] = std::move(text);
    return Accept();
}

bool HiveReader::Foreign(OrderedJson value) {
    if (!InForeign()) {
        if (depth_ != 2) return Reject(NotAnObject());
        (*key_)[value_name_] = ForeignValue{value.dump()};
    } else if (open_.back()->is_array()) {
        open_.back()->push_back(std::move(value));
    } else {
        (*open_.back())[member_name_] = std::move(value);
    }
    return Accept();
}

bool HiveReader::StartForeignContainer(OrderedJson empty) {
    // Writing a value out walks its nesting on the stack.
    if (open_.size() >= kMaxNesting) return Reject("a value nested deeper than 32 levels");
    if (!InForeign()) {
        foreign_ = std::move(empty);
        open_.push_back(&foreign_);
    } else if (open_.back()->is_array()) {
        open_.back()->push_back(std::move(empty));
        open_.push_back(&open_.back()->back());
    } else {
        OrderedJson& member = (*open_.back())[member_name_] = std::move(empty);
        open_.push_back(&member);
    }
    return Accept();
}

bool HiveReader::EndForeignContainer() {
    open_.pop_back();
    if (!InForeign()) (*key_)[value_name_] = ForeignValue{foreign_.dump()};
    return Accept();
}

bool HiveReader::start_object(std::size_t) {
    if (InForeign() || depth_ == 2) return StartForeignContainer(OrderedJson::object());
    if (depth_ == 1) key_ = &hive_[key_path_];
    ++depth_;
    return Accept();
}

bool HiveReader::end_object() {
    if (InForeign()) return EndForeignContainer();
    --depth_;
    return Accept();
}

bool HiveReader::start_array(std::size_t) {
    if (InForeign() || depth_ == 2) return StartForeignContainer(OrderedJson::array());
    return Reject(NotAnObject());
}

bool HiveReader::key(string_t& name) {
    // Which of two equal names counts is anyone's guess, and a save would
    // lose one of them.
    if (InForeign()) {
        member_name_ = std::move(name);
        if (open_.back()->contains(member_name_)) return Reject("a name appears twice in the value");
    } else if (depth_ == 1) {
        key_path_ = std::move(name);
        if (hive_.count(key_path_) != 0) return Reject("the key appears twice");
    } else {
        value_name_ = std::move(name);
        if (key_->count(value_name_) != 0) return Reject("the value appears twice");
    }
    return Accept();
}

bool HiveReader::parse_error(std::size_t position, const std::string&,
                             const nlohmann::detail::exception& error) {
    // The library's text repeats the position; keep only its reason.
    const std::string what = error.what();
    const size_t reason = what.find(": ");
    error_reason_ = reason == std::string::npos ? what : what.substr(reason + 2);
    // The library counts the characters read; the offending one is the last.
    error_offset_ = position > 0 ? position - 1 : 0;
    return false;
}

// Line and column (both from 1) of the character at `offset`.
std::string LineAndColumn(std::string_view text, size_t offset) {
    const std::string_view before = text.substr(0, std::min(offset, text.size()));
    const size_t line = 1 + static_cast<size_t>(std::count(before.begin(), before.end(), '\n'));
    const size_t line_start = before.rfind('\n');
    const size_t column =
        line_start == std::string_view::npos ? before.size() + 1 : before.size() - line_start;
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

OrderedJson ToJson(const RegValue& value) {
    return std::visit(
        [](const auto& data) -> OrderedJson {
            if constexpr (std::is_same_v<std::decay_t<decltype(data)>, ForeignValue>) {
                return OrderedJson::parse(data.json);
            } else {
                return data;
            }
        },
        value);
}

}  // namespace

Hive ParseSettingsFile(std::string_view text, const std::string& file_name) {
    TextBuffer buffer(text);
    std::istream stream(&buffer);
    HiveReader reader(buffer);
    if (Json::sax_parse(stream, &reader)) return std::move(reader.Result());
    throw ESettingsFileError("Settings file '" + file_name + "' is not valid at " +
                             LineAndColumn(text, reader.ErrorOffset()) + ": " + reader.ErrorReason() +
                             ". The file is left as it is.");
}

std::string FormatSettingsFile(const Hive& hive) {
    OrderedJson file = OrderedJson::object();
    for (const auto& [path, values] : hive) {
        OrderedJson& key = file[path] = OrderedJson::object();
        for (const auto& [name, value] : values) key[name] = ToJson(value);
    }
    return file.dump(2) + "\n";
}

bool IsStorableText(const std::string& text) {
    try {
        (void)Json(text).dump();
        return true;
    } catch (const Json::type_error&) {
        return false;
    }
}

}  // namespace torvane
