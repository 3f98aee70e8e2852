// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/autostart.h"

#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/atomicfile.h"

namespace torvane {

namespace {

// Exec lines are split by the desktop's own rules, not a shell's; quoting the
// path makes blanks and other reserved characters literal. Inside the quotes
// ", `, $ and \ take a backslash; the value's own escaping then doubles every
// backslash, and % is the field-code character.
std::string QuoteExecArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$') {
            quoted += "\\\\";
            quoted += c;
        } else if (c == '\\') {
            quoted += "\\\\\\\\";
        } else if (c == '%') {
            quoted += "%%";
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

bool Writable(const std::string& path) {
    if (path.empty() || path[0] != '/') return false;
    for (unsigned char c : path)
        if (c < 0x20 || c == 0x7f) return false;
    return true;
}

}  // namespace

std::optional<std::string> AutostartDesktopEntry(const std::string& program_path) {
    if (!Writable(program_path)) return std::nullopt;
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Torvane\n"
           "Comment=Quake II LAN companion\n"
           "Exec=" +
           QuoteExecArgument(program_path) +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

DesktopAutostart::DesktopAutostart(std::string config_dir)
    : entry_path_(std::move(config_dir) + "/autostart/torvane.desktop") {}

bool DesktopAutostart::Register(const std::string& program_path) {
    const auto entry = AutostartDesktopEntry(program_path);
    if (!entry) return false;
    try {
        WriteFileAtomically(entry_path_, *entry, 0644);
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

bool DesktopAutostart::Unregister() {
    return ::unlink(entry_path_.c_str()) == 0 || errno == ENOENT;
}

}  // namespace torvane
