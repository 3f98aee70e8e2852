#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace torvane {

// The game's executable name as the system reports it, upper case. A process
// counts as the game when one of its names ends in exactly these bytes.
inline constexpr std::string_view kGameExecutable = "QUAKE2.EXE";

// Whether `name` (a bare name or a path) ends in kGameExecutable.
bool IsGameExecutableName(std::string_view name);

// A server address the game may be pointed at: four decimal numbers 0-255
// separated by dots, without leading zeros or anything else.
bool IsDottedIPv4(std::string_view address);

// A port the game may be pointed at: decimal 1-65535, digits only, no
// leading zero.
bool IsPortText(std::string_view port);

// The program to start and its argument vector (argv[0] included).
struct GameCommand {
    std::string Program;
    std::vector<std::string> Arguments;
};

// The game's command for connecting to ADDRESS:PORT: the program is the game
// directory, '/', and the command's first word; then come the command's
// other words and "+set basedir DIR +connect ADDRESS:PORT". The directory is
// always one argument, blanks and all. Words of the command are separated by
// blanks or tabs.
GameCommand BuildGameCommand(const std::string& base_dir, const std::string& command,
                             const std::string& address, const std::string& port);

}  // namespace torvane
