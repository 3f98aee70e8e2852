#include "launcher/gamecommand.h"

#include <algorithm>
#include <string>

#include "platform/programlookup.h"

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

constexpr std::string_view kBlanks = " \t";

std::vector<std::string> SplitWords(const std::string& text) {
    std::vector<std::string> words;
    size_t pos = 0;
    while ((pos = text.find_first_not_of(kBlanks, pos)) != std::string::npos) {
        const size_t end = std::min(text.find_first_of(kBlanks, pos), text.size());
        words.push_back(text.substr(pos, end - pos));
        pos = end;
    }
    return words;
}

std::string FirstWord(const std::string& command) {
    const std::vector<std::string> words = SplitWords(command);
    return words.empty() ? std::string() : words.front();
}

std::string_view FileNameOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool IsGameExecutableName(std::string_view name) {
    return name.ends_with(kGameExecutable);
}

std::string GameProgramFileName(const std::string& command) {
    return std::string(FileNameOf(FirstWord(command)));
}

bool IsGameProcess(const ProcessNames& names, const std::string& command) {
    if (IsGameExecutableName(names.Command) || IsGameExecutableName(names.FirstWord) ||
        IsGameExecutableName(names.Executable))
        return true;
    // Kernel threads have neither an executable nor a command line: an
    // empty name matches nothing.
    const std::string program = GameProgramFileName(command);
    if (program.empty()) return false;
    return FileNameOf(names.Executable) == program || FileNameOf(names.FirstWord) == program;
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

bool IsUnicastIPv4(std::string_view address) {
    if (!IsDottedIPv4(address)) return false;
    const int first = std::stoi(std::string(address.substr(0, address.find('.'))));
    return first != 0 && first != 127 && first < 224;
}

bool IsPortText(std::string_view port) {
    return IsPlainNumber(port, 5, 1, 65535);
}

std::optional<std::string> PlainPortText(std::string_view port) {
    const size_t first = port.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return std::nullopt;
    port = port.substr(first, port.find_last_not_of(kBlanks) - first + 1);
    const size_t digit = std::min(port.find_first_not_of('0'), port.size());
    const std::string_view number = digit == port.size() ? std::string_view("0") : port.substr(digit);
    if (!IsDigits(port) || !IsPortText(number)) return std::nullopt;
    return std::string(number);
}

std::string FindGameProgram(const std::string& base_dir, const std::string& command,
                            const std::string& search_path) {
    const std::string word = FirstWord(command);
    const std::string in_game_dir = base_dir + "/" + word;
    if (IsExecutableFile(in_game_dir)) return in_game_dir;
    if (word.starts_with('/')) return word;
    return FindOnSearchPath(word, search_path).value_or(in_game_dir);
}

GameCommand BuildGameCommand(const std::string& program, const std::string& base_dir,
                             const std::string& command, const std::string& address,
                             const std::string& port) {
    const std::vector<std::string> words = SplitWords(command);
    GameCommand result;
    result.Program = program;
    result.Arguments.push_back(program);
    if (!words.empty()) result.Arguments.insert(result.Arguments.end(), words.begin() + 1, words.end());
    for (const std::string& word : {std::string("+set"), std::string("basedir"), base_dir,
                                    std::string("+connect"), address + ":" + port}) {
        result.Arguments.push_back(word);
    }
    return result;
}

}  // namespace torvane
