// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>

namespace torvane {

// Starting Torvane when the user logs on.
class Autostart {
public:
    virtual ~Autostart() = default;

    // Registers the program file to start at log-on. Answers false when the
    // registration could not be made; the previous one then stays as it was.
    virtual bool Register(const std::string& program_path) = 0;

    // Removes the registration if there is one. Answers false when one is
    // there and could not be removed.
    virtual bool Unregister() = 0;
};

// Log-on start through the desktop's autostart folder:
// CONFIG_DIR/autostart/torvane.desktop.
class DesktopAutostart final : public Autostart {
public:
    explicit DesktopAutostart(std::string config_dir);

    bool Register(const std::string& program_path) override;
    bool Unregister() override;

    const std::string& EntryPath() const { return entry_path_; }

private:
    std::string entry_path_;
};

// The desktop entry that starts `program_path`, or std::nullopt when the path
// cannot be written in an Exec line (not absolute, or holding a control
// character).
std::optional<std::string> AutostartDesktopEntry(const std::string& program_path);

}  // namespace torvane
