// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/processes.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>

namespace torvane {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

bool IsProcessId(const char* name) {
    if (*name == '\0') return false;
    return std::all_of(name, name + std::char_traits<char>::length(name),
                       [](char c) { return c >= '0' && c <= '9'; });
}

// Reads a small proc file whole; an unreadable one (the process just ended,
// or belongs to someone we may not look at) reads as empty.
std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadLink(const std::string& path) {
    std::string target(4096, '\0');
    ssize_t n = readlink(path.c_str(), target.data(), target.size());
    if (n <= 0) return {};
    target.resize(static_cast<size_t>(n));
    return target;
}

std::string WithoutTrailingNewline(std::string text) {
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

}  // namespace

ProcProcessList::ProcProcessList(std::string root) : root_(std::move(root)) {}

std::optional<std::vector<ProcessNames>> ProcProcessList::Snapshot() const {
    std::unique_ptr<DIR, DirCloser> dir(opendir(root_.c_str()));
    if (!dir) return std::nullopt;
    std::vector<ProcessNames> processes;
    while (const dirent* entry = readdir(dir.get())) {
        if (!IsProcessId(entry->d_name)) continue;
        const std::string base = root_ + "/" + entry->d_name + "/";
        const std::string stat = ReadFile(base + "stat");
        if (stat.empty() || IsZombieStat(stat)) continue;
        ProcessNames names;
        names.Command = WithoutTrailingNewline(ReadFile(base + "comm"));
        names.CommandLine = ReadFile(base + "cmdline");
        names.FirstWord = std::string(FirstWordOfCommandLine(names.CommandLine));
        names.Executable = ReadLink(base + "exe");
        processes.push_back(std::move(names));
    }
    return processes;
}

std::string_view FirstWordOfCommandLine(std::string_view cmdline) {
    return cmdline.substr(0, cmdline.find('\0'));
}

bool IsZombieStat(std::string_view stat) {
    const size_t close = stat.rfind(')');
    if (close == std::string_view::npos) return false;
    const size_t state = stat.find_first_not_of(' ', close + 1);
    return state != std::string_view::npos && stat[state] == 'Z';
}

}  // namespace torvane
