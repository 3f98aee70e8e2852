// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/configdir.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace torvane {

namespace {
bool IsAbsolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

std::string HomeDir() {
    if (const char* home = std::getenv("HOME"); IsAbsolute(home)) return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        IsAbsolute(found->pw_dir))
        return found->pw_dir;
    throw std::runtime_error("No home directory to keep the settings in");
}
}  // namespace

std::string ConfigDir() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); IsAbsolute(config)) return config;
    return HomeDir() + "/.config";
}

}  // namespace torvane
