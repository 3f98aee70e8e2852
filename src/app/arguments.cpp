// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/arguments.h"

#include <algorithm>

#include "platform/version.h"

namespace torvane {

std::vector<ProgramOption> StandardOptions() {
    return {{"-h, --help", "print this help and exit"}, {"--version", "print the version and exit"}};
}

std::string HelpText(const ProgramDescription& program) {
    std::string text = "Usage: " + program.name + " [OPTION]\n\n" + program.purpose + "\nOptions:\n";
    std::size_t width = 0;
    for (const ProgramOption& option : program.options) width = std::max(width, option.names.size());
    for (const ProgramOption& option : program.options) {
        // Long-only options line up with the long names of "-h, --help".
        const std::string names = option.names.rfind("--", 0) == 0 ? "    " + option.names : option.names;
        text += "  " + names + std::string(width + 6 - names.size(), ' ') + option.text + "\n";
    }
    return text;
}

std::optional<int> AnswerArguments(const ProgramDescription& program, const std::vector<std::string>& args,
                                   std::FILE* out, std::FILE* err) {
    const auto known = [](const std::string& arg) {
        return arg == "--help" || arg == "-h" || arg == "--version";
    };
    if (const auto unknown = std::find_if_not(args.begin(), args.end(), known); unknown != args.end()) {
        std::fprintf(err, "%s: unknown argument '%s'\nTry '%s --help' for what it takes.\n",
                     program.name.c_str(), unknown->c_str(), program.name.c_str());
        return 2;
    }
    if (args.empty()) return std::nullopt;
    // The first of them answers, as with most programs.
    if (args.front() == "--version")
        std::fprintf(out, "%s %s\n", program.name.c_str(), kTorvaneVersion);
    else
        std::fputs(HelpText(program).c_str(), out);
    return 0;
}

}  // namespace torvane
