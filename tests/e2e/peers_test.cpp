// Two copies of Torvane on two hosts of a private LAN find each other, chat,
// and one challenges the other to a game on a third host's server; the
// accepted challenge starts a stand-in game with the game's command line.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/autostart.h"
#include "settings/fileregistry.h"
#include "settings/settingsio.h"
#include "support/fake_quake_server.h"
#include "support/isolated_lan.h"
#include "support/lan_hosts.h"

namespace torvane::test {
namespace {

namespace fs = std::filesystem;

const std::string kHeadless = std::string(TORVANE_BINARY_DIR) + "/torvane-headless";

// A copy of torvane-headless on one LAN host, with a settings folder and a
// stand-in game of its own. Commands go to its standard input; its output
// lines are read as they come.
class Copy {
public:
    Copy(int host, const std::string& name, const fs::path& root) : dir_(root / name) {
        fs::create_directories(GameDir());
        WriteStandInGame();
        WriteSettings(name);
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
        pid_ = StartLanHost(host, [&] {
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
            execl(kHeadless.c_str(), kHeadless.c_str(), static_cast<char*>(nullptr));
            return 127;
        });
        close(in[0]);
        close(out[1]);
        input_ = in[1];
        output_ = out[0];
    }
    ~Copy() {
        if (input_ >= 0) close(input_);
        if (output_ >= 0) close(output_);
        if (pid_ > 0) StopLanHost(pid_);
    }

    fs::path GameDir() const { return dir_ / "game dir"; }
    fs::path LaunchRecord() const { return dir_ / "launched"; }

    void Send(const std::string& command) {
        const std::string line = command + "\n";
        ASSERT_EQ(write(input_, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    }

    // Returns the first line of the output so far that contains `text`,
    // reading on until one comes; empty after `seconds` without one.
    std::string WaitFor(const std::string& text, int seconds = 10) {
        for (std::istringstream lines(seen_); std::string line : {std::string()}) {
            while (std::getline(lines, line))
                if (line.find(text) != std::string::npos) return line;
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        for (;;) {
            for (auto end = pending_.find('\n'); end != std::string::npos; end = pending_.find('\n')) {
                std::string line = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                seen_ += line + "\n";
                if (line.find(text) != std::string::npos) return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return {};
            pollfd ready{output_, POLLIN, 0};
            if (poll(&ready, 1, static_cast<int>(left.count())) <= 0) continue;
            char chunk[4096];
            const ssize_t n = read(output_, chunk, sizeof chunk);
            if (n <= 0) return {};
            pending_.append(chunk, static_cast<std::size_t>(n));
        }
    }
    const std::string& Seen() const { return seen_; }

    int Quit() {
        Send("quit");
        const int status = WaitLanHost(pid_);
        pid_ = -1;
        return status;
    }

private:
    void WriteStandInGame() {
        const fs::path game = GameDir() / "quake2";
        std::ofstream(game) << "#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"$a\"; done; } > '" +
                                   LaunchRecord().string() + "'\n";
        fs::permissions(game, fs::perms::owner_all);
    }

    void WriteSettings(const std::string& name) {
        Settings settings;
        settings.PlayerName = name;
        settings.Quake2BaseDir = GameDir().string();
        settings.Quake2Command = "quake2 +set deathmatch 1";
        settings.LogFile = (dir_ / "torvane.log").string();
        fs::create_directories(dir_ / "config" / "torvane");
        FileRegistry store((dir_ / "config" / "torvane" / "settings.json").string());
        DesktopAutostart autostart((dir_ / "config").string());
        SaveSettings(settings, store, autostart, kHeadless);
    }

    fs::path dir_;
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    std::string pending_;
    std::string seen_;
};

std::vector<std::string> Lines(const fs::path& file) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(PeersOnLan, TwoCopiesSeeEachOtherChatAndPlayAChallenge) {
    if (!CanCreateNetworkNamespace())
        GTEST_SKIP() << "needs root to build a private LAN in network namespaces";
    const fs::path root = fs::temp_directory_path() / ("torvane-peers-" + std::to_string(getpid()));
    fs::remove_all(root);
    EXPECT_EQ(
        0, RunInIsolatedLan([&] {
            const pid_t server = StartFakeQuakeServer(3, 27910, {StatusReplyDatagram("Friday", "q2dm1", 8)});
            Copy alice(1, "Alice", root);
            Copy bob(2, "Bob", root);

            // Each start asks the others to announce themselves.
            EXPECT_NE(alice.WaitFor("Bob (Ready) Ready to kick some ass"), "") << alice.Seen();
            EXPECT_NE(bob.WaitFor("Alice (Ready) Ready to kick some ass"), "") << bob.Seen();
            EXPECT_NE(alice.WaitFor("host: 0 | Friday | q2dm1 | 0/8"), "") << alice.Seen();

            alice.Send("say hello Bob");
            EXPECT_NE(bob.WaitFor("chat: Alice | "), "") << bob.Seen();
            EXPECT_NE(bob.Seen().find("| hello Bob\n"), std::string::npos) << bob.Seen();

            alice.Send("shout wake\tup");
            const std::string shout = bob.WaitFor("| wake?up");
            EXPECT_NE(shout, "") << bob.Seen();

            alice.Send("select 0");
            alice.Send("challenge");
            EXPECT_NE(bob.WaitFor("challenge: "), "") << bob.Seen();
            bob.Send("accept");
            // Accepting launches into a record that holds only the address and port.
            const std::string launching = bob.WaitFor(" : Launching quake to");
            EXPECT_TRUE(launching.ends_with(" : Launching quake to ")) << bob.Seen();

            // The stand-in game writes its working directory and
            // arguments; give it a moment to run.
            for (int i = 0;
                 i < 100 && (Lines(bob.LaunchRecord()).size() < 9 || Lines(alice.LaunchRecord()).size() < 9);
                 ++i)
                usleep(50'000);
            EXPECT_EQ(Lines(bob.LaunchRecord()),
                      (std::vector<std::string>{bob.GameDir().string(), "+set", "deathmatch", "1", "+set",
                                                "basedir", bob.GameDir().string(), "+connect",
                                                "10.99.0.13:27910"}));

            // The challenger went to the server as well.
            EXPECT_EQ(Lines(alice.LaunchRecord()).back(), "10.99.0.13:27910");

            EXPECT_EQ(alice.Quit(), 0);
            EXPECT_EQ(bob.Quit(), 0);
            StopLanHost(server);
        }));
    fs::remove_all(root);
}

}  // namespace
}  // namespace torvane::test
