#include "settings/settingsfile.h"

#include <algorithm>
#include <istream>
#include <nlohmann/json.hpp>
#include <streambuf>

namespace torvane {

namespace {

using Json = nlohmann::json;

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
// thing that does not belong in a settings file.
class HiveReader final : public nlohmann::json_sax<Json> {
public:
    explicit HiveReader(const TextBuffer& buffer) : buffer_(buffer) {}

    bool null() override { return Reject("null is not a settings value"); }
    bool boolean(bool) override { return Reject("true and false are not settings values; use 1 and 0"); }
    bool number_integer(number_integer_t value) override { return Integer(value); }
    bool number_unsigned(number_unsigned_t value) override {
        return value > static_cast<number_unsigned_t>(INT32_MAX) ? Reject(OutOfRange())
                                                                 : Integer(static_cast<int64_t>(value));
    }
    bool number_float(number_float_t, const string_t&) override {
        return Reject("a settings value must be a whole number or a string");
    }
    bool string(string_t& text) override;
    bool binary(binary_t&) override { return Reject("binary data is not a settings value"); }
    bool start_object(std::size_t) override;
    bool key(string_t& name) override;
    bool end_object() override {
        --depth_;
        return Accept();
    }
    bool start_array(std::size_t) override {
        return Reject(depth_ == 2 ? "an array is not a settings value"
                                  : "the file and each key must be an object");
    }
    bool end_array() override { return false; }
    bool parse_error(std::size_t position, const std::string&,
                     const nlohmann::detail::exception& error) override;

    Hive& Result() { return hive_; }
    // Offset of the first character in error.
    size_t ErrorOffset() const { return error_offset_; }
    const std::string& ErrorReason() const { return error_reason_; }

private:
    static std::string OutOfRange() { return "a settings value must fit in 32 bits"; }
    bool Integer(int64_t value);
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

bool HiveReader::Integer(int64_t value) {
    if (depth_ != 2) return Reject("the file and each key must be an object");
    if (value < INT32_MIN || value > INT32_MAX) return Reject(OutOfRange());
    (*key_)[value_name_] = static_cast<int32_t>(value);
    return Accept();
}

bool HiveReader::string(string_t& text) {
    if (depth_ != 2) return Reject("the file and each key must be an object");
    (*key_)[value_name_] = std::move(text);
    return Accept();
}

bool HiveReader::start_object(std::size_t) {
    if (depth_ == 2) return Reject("a settings value must be a whole number or a string");
    if (depth_ == 1) key_ = &hive_[key_path_];
    ++depth_;
    return Accept();
}

bool HiveReader::key(string_t& name) {
    if (depth_ == 1) {
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
    Json file = Json::object();
    for (const auto& [path, values] : hive) {
        Json& key = file[path] = Json::object();
        for (const auto& [name, value] : values)
            std::visit([&key, &name = name](const auto& data) { key[name] = data; }, value);
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
