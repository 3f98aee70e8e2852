// SPDX-License-Identifier: GPL-2.0-or-later
// The programs' command lines: --help and --version answer at once and touch
// neither the settings nor the network; anything else is refused. Each run
// happens in a network namespace of its own with no network at all, so a
// program that started for real could not reach anyone.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/version.h"
#include "support/isolated_lan.h"
#include "support/tempdir.h"

namespace torvane::test {
namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class ProgramArguments : public ::testing::Test {
protected:
    void SetUp() override {
        if (!CanCreateNetworkNamespace()) GTEST_SKIP() << "needs root for a network namespace of its own";
    }

    // Runs `program` with `args`, standard input from `input` (no input by
    // default), its settings folder in the test's own directory; a program
    // that does not end is killed after 20 seconds (status 137).
    Outcome Run(const std::string& program, const std::string& args, const std::string& input = "/dev/null") {
        const std::string command =
            "cd '" + dir.Path().string() + "' && XDG_CONFIG_HOME='" + Config().string() + "' HOME='" +
            dir.Path().string() + "' QT_QPA_PLATFORM=offscreen" + " timeout -s KILL 20 unshare --net " +
            std::string(TORVANE_BINARY_DIR) + "/" + program + " " + args + " <'" + input + "' >out 2>err";
        const int result = std::system(command.c_str());
        Outcome outcome{WIFEXITED(result) ? WEXITSTATUS(result) : -1, ReadFile(dir.Path() / "out"),
                        ReadFile(dir.Path() / "err")};
        std::filesystem::remove(dir.Path() / "out");
        std::filesystem::remove(dir.Path() / "err");
        return outcome;
    }
    std::filesystem::path Config() const { return dir.Path() / "config"; }
    bool SettingsTouched() const { return std::filesystem::exists(Config()); }

    static std::vector<std::string> Programs() {
#ifdef TORVANE_DESKTOP_BUILT
        return {"torvane-headless", "torvane"};
#else
        return {"torvane-headless"};
#endif
    }

    TempDir dir;
};

TEST_F(ProgramArguments, HelpAndVersionAnswerAtOnceWithoutSettings) {
    for (const std::string& program : Programs()) {
        SCOPED_TRACE(program);
        const Outcome help = Run(program, "--help");
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.err, "");
        EXPECT_TRUE(help.out.starts_with("Usage: " + program + " [OPTION]\n")) << help.out;
        EXPECT_NE(help.out.find("\n  -h, --help      print this help and exit\n"), std::string::npos)
            << help.out;
        EXPECT_NE(help.out.find("\n      --version   print the version and exit\n"), std::string::npos)
            << help.out;
        EXPECT_EQ(Run(program, "-h").out, help.out);

        const Outcome version = Run(program, "--version");
        EXPECT_EQ(version.status, 0);
        EXPECT_EQ(version.out, program + " " + kTorvaneVersion + "\n");
        EXPECT_EQ(version.err, "");
        EXPECT_FALSE(SettingsTouched());
    }
}

TEST_F(ProgramArguments, AnyOtherArgumentIsRefusedWithTwoAndNothingStarts) {
    for (const std::string& program : Programs()) {
        for (const std::string arg : {"--bogus", "search", "-v"}) {
            SCOPED_TRACE(program + " " + arg);
            const Outcome refused = Run(program, arg);
            EXPECT_EQ(refused.status, 2);
            EXPECT_EQ(refused.out, "");
            EXPECT_EQ(refused.err, program + ": unknown argument '" + arg + "'\nTry '" + program +
                                       " --help' for what it takes.\n");
        }
        // An extra word after an answered option is still refused.
        EXPECT_EQ(Run(program, "--help now").status, 2);
        EXPECT_FALSE(SettingsTouched());
    }
}

// Input that is no pipe or terminal (a file, /dev/null) is there whole at
// once: its commands are carried out, and its end ends the program as the
// end of a pipe does, the settings saved.
TEST_F(ProgramArguments, HeadlessCarriesOutAFileOfCommandsAndEndsAtItsEnd) {
    const Outcome nothing = Run("torvane-headless", "");
    EXPECT_EQ(nothing.status, 0) << "the end of /dev/null ends the program: " << nothing.err;
    EXPECT_TRUE(std::filesystem::exists(Config() / "torvane" / "settings.json"));

    const auto commands = dir.Path() / "commands";
    std::ofstream(commands) << "first\nquit\nnever\n";
    const Outcome to_quit = Run("torvane-headless", "", commands.string());
    EXPECT_EQ(to_quit.status, 0);
    EXPECT_NE(to_quit.err.find("unknown command 'first'"), std::string::npos) << to_quit.err;
    EXPECT_EQ(to_quit.err.find("never"), std::string::npos) << "nothing after quit: " << to_quit.err;

    // A last line without its line end is a command too.
    std::ofstream(commands) << "one\ntwo";
    const Outcome to_end = Run("torvane-headless", "", commands.string());
    EXPECT_EQ(to_end.status, 0);
    EXPECT_NE(to_end.err.find("unknown command 'one'\n"), std::string::npos) << to_end.err;
    EXPECT_NE(to_end.err.find("unknown command 'two'\n"), std::string::npos) << to_end.err;
}

}  // namespace
}  // namespace torvane::test
