// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/programlookup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace torvane {

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string ProgramSearchPath() {
    if (const char* path = std::getenv("PATH")) return path;
    const size_t size = confstr(_CS_PATH, nullptr, 0);
    if (size == 0) return "/bin:/usr/bin";
    std::string path(size, '\0');
    confstr(_CS_PATH, path.data(), size);
    path.resize(size - 1);
    return path;
}

std::optional<std::string> FindOnSearchPath(const std::string& name, const std::string& search_path) {
    if (name.empty() || name.find('/') != std::string::npos) return std::nullopt;
    size_t start = 0;
    for (;;) {
        const size_t colon = search_path.find(':', start);
        const std::string dir = search_path.substr(start, colon - start);
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (IsExecutableFile(candidate)) return candidate;
        if (colon == std::string::npos) return std::nullopt;
        start = colon + 1;
    }
}

}  // namespace torvane
