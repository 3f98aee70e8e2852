// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/programpath.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace torvane {

namespace {

// The kernel adds this to the path of a program file that was removed or
// replaced while the program runs, as a package upgrade does. The path
// without it is where the program is found the next time.
constexpr std::string_view kDeletedSuffix = " (deleted)";

std::string ProgramFileFromLink(const std::string& link) {
    std::error_code error;
    std::string path = std::filesystem::read_symlink(link, error).string();
    if (error) return {};
    if (path.ends_with(kDeletedSuffix) && !std::filesystem::exists(path, error))
        path.resize(path.size() - kDeletedSuffix.size());
    return path;
}

}  // namespace

std::string ProgramFileName() {
    return ProgramFileFromLink("/proc/self/exe");
}

std::string ProgramFileName(pid_t pid) {
    return ProgramFileFromLink("/proc/" + std::to_string(pid) + "/exe");
}

}  // namespace torvane
