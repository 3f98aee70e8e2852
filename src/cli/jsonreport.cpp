// SPDX-License-Identifier: GPL-2.0-or-later
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "cli/queryreport.h"

namespace torvane {

namespace {

// Builds the report in a buffer that is handed on whenever it has grown past
// kFlushBytes, so memory stays the same whatever the size of the table.
class JsonWriter {
public:
    explicit JsonWriter(std::FILE* out) : out_(out) { text_.reserve(kFlushBytes + 4096); }
    ~JsonWriter() { Flush(); }
    JsonWriter(const JsonWriter&) = delete;
    JsonWriter& operator=(const JsonWriter&) = delete;

    void Raw(const char* text) { text_ += text; }
    void Key(const char* name) {
        text_ += '"';
        text_ += name;
        text_ += "\": ";
    }
    // A limit the server left out of its reply is unknown: null.
    void Limit(const std::optional<int32_t>& limit) {
        if (limit)
            Number(*limit);
        else
            text_ += "null";
    }
    void Number(int64_t value) {
        char digits[24];
        text_.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    }
    // An 8-bit text as a JSON string: bytes 0x80 to 0xFF become U+0080 to
    // U+00FF in UTF-8, control characters are escaped.
    void String(const std::string& text) {
        static constexpr char kHex[] = "0123456789abcdef";
        text_ += '"';
        for (unsigned char c : text) {
            if (c == '"' || c == '\\') {
                text_ += '\\';
                text_ += static_cast<char>(c);
            } else if (c < 0x20) {
                text_ += "\\u00";
                text_ += kHex[c >> 4];
                text_ += kHex[c & 0xF];
            } else if (c < 0x80) {
                text_ += static_cast<char>(c);
            } else {
                text_ += static_cast<char>(0xC0 | (c >> 6));
                text_ += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
        text_ += '"';
    }
    void MaybeFlush() {
        if (text_.size() >= kFlushBytes) Flush();
    }
    void Flush() {
        if (out_ != nullptr && !text_.empty()) {
            std::fwrite(text_.data(), 1, text_.size(), out_);
            text_.clear();
        }
    }
    std::string& Text() { return text_; }

private:
    static constexpr std::size_t kFlushBytes = 32 * 1024;
    std::FILE* out_;
    std::string text_;
};

void WritePlayer(const Player& player, JsonWriter& json) {
    json.Raw("{");
    json.Key("name");
    json.String(player.Name);
    json.Raw(", ");
    json.Key("frags");
    json.Number(player.Frags);
    json.Raw(", ");
    json.Key("ping");
    json.Number(player.Ping);
    json.Raw("}");
}

void WriteServer(const TQuakeServer& server, JsonWriter& json) {
    json.Raw("  {");
    json.Key("status");
    json.Raw("\"answered\", ");
    json.Key("address");
    json.String(server.Address);
    json.Raw(", ");
    json.Key("port");
    json.String(server.Port);
    json.Raw(", ");
    json.Key("hostname");
    json.String(server.HostName);
    json.Raw(", ");
    json.Key("map");
    json.String(server.MapName);
    json.Raw(",\n   ");
    json.Key("maxclients");
    json.Number(server.MaxClients);
    json.Raw(", ");
    json.Key("fraglimit");
    json.Limit(server.FragLimit);
    json.Raw(", ");
    json.Key("timelimit");
    json.Limit(server.TimeLimit);
    json.Raw(", ");
    json.Key("answer_ms");
    json.Number(server.AnswerTime);
    json.Raw(", ");
    json.Key("ping");
    json.Number(server.Ping);
    json.Raw(", ");
    json.Key("source");
    json.String(SourceName(server.Source));
    json.Raw(",\n   ");
    json.Key("players");
    json.Raw("[");
    for (std::size_t i = 0; i < server.Players.size(); ++i) {
        json.Raw(i == 0 ? "\n    " : ",\n    ");
        WritePlayer(server.Players[i], json);
    }
    json.Raw(server.Players.empty() ? "]}" : "\n   ]}");
}

// A server asked by name whose name does not resolve: asked, so listed.
void WriteUnresolved(const QueryTarget& target, JsonWriter& json) {
    json.Raw("  {");
    json.Key("status");
    json.Raw("\"unresolved\", ");
    json.Key("address");
    json.String(target.Address);
    json.Raw(", ");
    json.Key("port");
    json.String(target.Port);
    json.Raw("}");
}

void WriteReport(const std::vector<TQuakeServer>& servers, const std::vector<QueryTarget>& unresolved,
                 JsonWriter& json) {
    json.Raw("[");
    for (std::size_t i = 0; i < servers.size(); ++i) {
        json.Raw(i == 0 ? "\n" : ",\n");
        WriteServer(servers[i], json);
        json.MaybeFlush();
    }
    for (std::size_t i = 0; i < unresolved.size(); ++i) {
        json.Raw(i == 0 && servers.empty() ? "\n" : ",\n");
        WriteUnresolved(unresolved[i], json);
        json.MaybeFlush();
    }
    json.Raw(servers.empty() && unresolved.empty() ? "]\n" : "\n]\n");
}

}  // namespace

std::string JsonReport(const std::vector<TQuakeServer>& servers, const std::vector<QueryTarget>& unresolved) {
    JsonWriter json(nullptr);
    WriteReport(servers, unresolved, json);
    return std::move(json.Text());
}

void WriteJsonReport(const std::vector<TQuakeServer>& servers, std::FILE* out,
                     const std::vector<QueryTarget>& unresolved) {
    JsonWriter json(out);
    WriteReport(servers, unresolved, json);
}

}  // namespace torvane
