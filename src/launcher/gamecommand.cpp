#include "launcher/gamecommand.h"

#include <algorithm>

namespace torvane {

namespace {

bool IsDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A decimal number without a leading zero, at most `max_digits` long, whose
// value lies in [low, high].
bool IsPlainNumber(std::string_view text, size_t max_digits, int low, int high) {
    if (!IsDigits(text) || text.size() > max_digits) return false;
    if (text.size() > 1 && text.front() == '0') return false;
    int value = 0;
    for (char c : text) value = value * 10 + (c - '0');
    return value >= low && value <= high;
}

std::vector<std::string> SplitWords(const std::string& text) {
    std::vector<std::string> words;
    size_t pos = 0;
    while ((pos = text.find_first_not_of(" \t", pos)) != std::string::npos) {
        const size_t end = std::min(text.find_first_of(" \t", pos), text.size());
        words.push_back(text.substr(pos, end - pos));
        pos = end;
    }
    return words;
}

}  // namespace

bool IsGameExecutableName(std::string_view name) {
    return name.ends_with(kGameExecutable);
}

bool IsDottedIPv4(std::string_view address) {
    for (int part = 0; part < 4; ++part) {
        const size_t dot = address.find('.');
        const bool last = part == 3;
        if (last != (dot == std::string_view::npos)) return false;
        if (!IsPlainNumber(address.substr(0, dot), 3, 0, 255)) return false;
        address = last ? std::string_view() : address.substr(dot + 1);
    }
    return true;
}

bool IsPortText(std::string_view port) {
    return IsPlainNumber(port, 5, 1, 65535);
}

GameCommand BuildGameCommand(const std::string& base_dir, const std::string& command,
                             const std::string& address, const std::string& port) {
    std::vector<std::string> words = SplitWords(command);
    const std::string first = words.empty() ? std::string() : words.front();
    GameCommand result;
    result.Program = base_dir + "/" + first;
    result.Arguments.push_back(result.Program);
    if (!words.empty()) result.Arguments.insert(result.Arguments.end(), words.begin() + 1, words.end());
    for (const std::string& word : {std::string("+set"), std::string("basedir"), base_dir,
                                    std::string("+connect"), address + ":" + port}) {
        result.Arguments.push_back(word);
    }
    return result;
}

}  // namespace torvane
