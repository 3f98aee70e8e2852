// SPDX-License-Identifier: GPL-2.0-or-later
#include "launcher/gamecommand.h"

#include <algorithm>
#include <charconv>
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

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameWordAnyCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

// "q2ded", "q2proded", "r1q2ded", "quake2ded-x86_64", "Q2DED.EXE": a run of
// letters and digits of the file name that holds "q2" or "quake2" and ends
// in "ded".
bool IsDedicatedServerName(std::string_view path) {
    std::string name(FileNameOf(path));
    std::transform(name.begin(), name.end(), name.begin(), Lower);
    const auto alphanumeric = [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); };
    for (auto start = name.begin(); start != name.end();) {
        const auto end = std::find_if_not(start, name.end(), alphanumeric);
        const std::string_view run(&*start, static_cast<size_t>(end - start));
        if (run.size() > 3 && run.ends_with("ded")) {
            const std::string_view before = run.substr(0, run.size() - 3);
            if (before.find("q2") != std::string_view::npos ||
                before.find("quake2") != std::string_view::npos)
                return true;
        }
        start = end == name.end() ? end : end + 1;
    }
    return false;
}

// Whether the command line's last "+set dedicated VALUE" gives the variable
// a value other than 0, read as the game reads a number (its variable names
// have no case).
bool SetsDedicated(std::string_view cmdline) {
    std::vector<std::string_view> args;
    for (size_t start = 0; start < cmdline.size();) {
        const size_t end = std::min(cmdline.find('\0', start), cmdline.size());
        args.push_back(cmdline.substr(start, end - start));
        start = end + 1;
    }
    bool dedicated = false;
    for (size_t i = 0; i + 2 < args.size(); ++i) {
        if (args[i] != "+set" || !SameWordAnyCase(args[i + 1], "dedicated")) continue;
        std::string_view value = args[i + 2];
        if (value.starts_with('+')) value.remove_prefix(1);
        double number = 0;
        std::from_chars(value.data(), value.data() + value.size(), number);
        dedicated = number != 0;
        i += 2;
    }
    return dedicated;
}

}  // namespace

bool IsDedicatedServer(const ProcessNames& names) {
    return SetsDedicated(names.CommandLine) || IsDedicatedServerName(names.Command) ||
           IsDedicatedServerName(names.FirstWord) || IsDedicatedServerName(names.Executable);
}

bool IsGameExecutableName(std::string_view name) {
    return name.ends_with(kGameExecutable);
}

std::string GameProgramFileName(const std::string& command) {
    return std::string(FileNameOf(FirstWord(command)));
}

bool IsGameProcess(const ProcessNames& names, const std::string& command) {
    if (IsDedicatedServer(names)) return false;
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
