// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace torvane {

// One option of a program, as its help lists it: "-h, --help" and what it
// does.
struct ProgramOption {
    std::string names;
    std::string text;
};

// What a program tells about itself on its command line.
struct ProgramDescription {
    std::string name;     // "torvane-headless"
    std::string purpose;  // a few lines on what it does, each ending in '\n'
    std::vector<ProgramOption> options;
};

// The options every Torvane program answers: --help (-h) and --version.
std::vector<ProgramOption> StandardOptions();

// The whole help text: usage, purpose, then every option on a line of its
// own.
std::string HelpText(const ProgramDescription& program);

// Answers the command line before anything else happens. --help or -h
// prints the help on `out`, --version prints the version, and both give
// exit status 0 (the first of them answers); any other argument is
// refused on `err` with status 2.
// Without arguments there is nothing to answer and the program runs.
std::optional<int> AnswerArguments(const ProgramDescription& program, const std::vector<std::string>& args,
                                   std::FILE* out, std::FILE* err);

}  // namespace torvane
