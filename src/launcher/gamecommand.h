// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/processes.h"

namespace torvane {

// The game's executable name under Wine as the system reports it, upper
// case. A process counts as that game when one of its names ends in exactly
// these bytes.
inline constexpr std::string_view kGameExecutable = "QUAKE2.EXE";

// Whether `name` (a bare name or a path) ends in kGameExecutable.
bool IsGameExecutableName(std::string_view name);

// The file name of the game's program: the last part of the command's first
// word ("quake2" for "quake2 +set game ctf"); empty for an empty command.
std::string GameProgramFileName(const std::string& command);

// Whether a process is a dedicated game server rather than a game someone
// plays: its command line sets the "dedicated" variable to a value other
// than 0 (`quake2 +set dedicated 1 +map q2dm1`, the last setting counts), or
// one of its names is that of a dedicated server program (q2ded, q2proded,
// r1q2ded, ...: "q2" or "quake2", maybe more letters, then "ded", in any
// case).
bool IsDedicatedServer(const ProcessNames& names);

// Whether a process is the game started with `command`: it is no dedicated
// server, and one of its names ends in kGameExecutable (the game under Wine),
// or the file name of its executable or of its command line's first word is
// exactly GameProgramFileName(command) (the native game, q2pro, yquake2, ...).
bool IsGameProcess(const ProcessNames& names, const std::string& command);

// A server address the game may be pointed at: four decimal numbers 0-255
// separated by dots, without leading zeros or anything else.
bool IsDottedIPv4(std::string_view address);

// A dotted IPv4 address (IsDottedIPv4) of one host that a game could
// connect to: not "this network" (0.x.x.x), loopback (127.x.x.x), multicast
// (224-239) or the reserved and broadcast block (240-255).
bool IsUnicastIPv4(std::string_view address);

// A port the game may be pointed at: decimal 1-65535, digits only, no
// leading zero.
bool IsPortText(std::string_view port);

// The plain number of a port text that a socket reads as a number: blanks
// around it and leading zeros go ("027950" and " 27950" are "27950").
// Nothing when the text is no decimal port 1-65535.
std::optional<std::string> PlainPortText(std::string_view port);

// The program that runs `command` from the game directory: the directory,
// '/', and the command's first word when that file is executable there, so
// a self-contained install keeps working. Otherwise a bare name is looked
// up in `search_path` (colon-separated, like PATH), and an absolute one is
// taken as it is. When neither finds a program the answer is the file in
// the game directory, whose start then fails with the system's reason.
std::string FindGameProgram(const std::string& base_dir, const std::string& command,
                            const std::string& search_path);

// The program to start and its argument vector (argv[0] included).
struct GameCommand {
    std::string Program;
    std::vector<std::string> Arguments;
};

// The game's command for connecting to ADDRESS:PORT: `program` (see
// FindGameProgram), the command's other words and "+set basedir DIR
// +connect ADDRESS:PORT". The directory is always one argument, blanks and
// all. Words of the command are separated by blanks or tabs.
GameCommand BuildGameCommand(const std::string& program, const std::string& base_dir,
                             const std::string& command, const std::string& address, const std::string& port);

}  // namespace torvane
