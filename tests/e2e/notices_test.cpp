// SPDX-License-Identifier: GPL-2.0-or-later
// The desktop program's notifications and join links, whole, on a private
// LAN: a stand-in notification service on a private session bus records
// every notification and chooses their buttons as a user would. A new
// server that pops the window up and a buddy coming are notifications whose
// Join starts the game there; a join link given to a second start is handed
// to the running copy, which starts the game; a link that holds more is
// refused and starts nothing.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdio>

#include "desktop_copy.h"
#include "support/fake_quake_server.h"
#include "support/isolated_lan.h"

namespace torvane::test {
namespace {

using ::testing::HasSubstr;

const char* kPython = "/usr/bin/python3";
const std::string kService = std::string(TORVANE_SOURCE_DIR) + "/tests/e2e/notification_service.py";

bool NotificationParts() {
    return fs::exists("/usr/bin/dbus-daemon") &&
           std::system("/usr/bin/python3 -c 'import dbus, gi.repository.GLib' 2>/dev/null") == 0;
}

// A private session bus with the stand-in service on it; both end with it.
class SessionBus {
public:
    explicit SessionBus(const fs::path& dir) : dir_(dir) {
        fs::create_directories(dir_);
        const std::string command =
            "dbus-daemon --session --address=unix:path=" + (dir_ / "bus").string() + " --fork --print-pid";
        FILE* out = popen(command.c_str(), "r");
        if (!out || std::fscanf(out, "%d", &bus_pid_) != 1) bus_pid_ = -1;
        if (out) pclose(out);
        address_ = "unix:path=" + (dir_ / "bus").string();
        service_pid_ = fork();
        if (service_pid_ == 0) {
            setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
            execl(kPython, kPython, kService.c_str(), Record().c_str(), dir_.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int tries = 0; tries < 200 && !fs::exists(dir_ / "ready"); ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~SessionBus() {
        if (service_pid_ > 0) {
            kill(service_pid_, SIGTERM);
            waitpid(service_pid_, nullptr, 0);
        }
        if (bus_pid_ > 0) kill(bus_pid_, SIGTERM);
    }

    bool Ready() const { return bus_pid_ > 0 && fs::exists(dir_ / "ready"); }
    const std::string& Address() const { return address_; }
    fs::path Record() const { return dir_ / "record"; }

    // The id of the first notification whose line holds `text`, once one
    // comes; 0 when none does.
    int WaitForNotice(const std::string& text, std::string& line, int seconds = 20) {
        for (int tries = 0; tries < seconds * 10; ++tries) {
            for (const std::string& recorded : Lines(Record())) {
                if (recorded.find(text) == std::string::npos) continue;
                line = recorded;
                return std::stoi(recorded.substr(recorded.find(':') + 1));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return 0;
    }
    // The user chooses button `key` of notification `id`.
    void Choose(int id, const std::string& key) {
        std::ofstream(dir_ / "invoke.tmp") << id << " " << key << "\n";
        fs::rename(dir_ / "invoke.tmp", dir_ / "invoke");
    }

private:
    fs::path dir_;
    std::string address_;
    int bus_pid_ = -1;
    pid_t service_pid_ = -1;
};

// A stand-in server that ends with the scope, whatever assertion ends it.
struct ServerHost {
    explicit ServerHost(pid_t pid) : pid(pid) {}
    ~ServerHost() { StopLanHost(pid); }
    ServerHost(const ServerHost&) = delete;
    ServerHost& operator=(const ServerHost&) = delete;
    pid_t pid;
};

struct Ran {
    int status = -1;
    std::string output;
};

// Runs `command` through the shell and takes what it writes.
Ran Shell(const std::string& command) {
    Ran ran;
    FILE* out = popen(command.c_str(), "r");
    if (!out) return ran;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, out)) ran.output += buffer;
    const int status = pclose(out);
    ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return ran;
}

void WriteReply(const fs::path& file, const std::string& host, const std::vector<FakePlayer>& players) {
    std::ofstream(file.string() + ".tmp", std::ios::binary | std::ios::trunc)
        << StatusReplyDatagram(host, "q2dm1", 8, players);
    fs::rename(file.string() + ".tmp", file);
}

// The arguments the stand-in game was started with, once it has been.
std::string WaitForLaunch(const fs::path& record, int seconds = 20) {
    for (int tries = 0; tries < seconds * 10; ++tries) {
        if (fs::exists(record)) {
            std::ifstream in(record);
            return std::string(std::istreambuf_iterator<char>(in), {});
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return {};
}

TEST(DesktopNotices, ServersAndBuddiesAreNotificationsWhoseJoinStartsTheGameAndJoinLinksAreHandedOver) {
    if (!DesktopProgramBuilt()) GTEST_SKIP() << "built without the desktop program";
    SKIP_WITHOUT_PRIVATE_LAN();
    if (!NotificationParts()) GTEST_SKIP() << "needs dbus-daemon, python3-dbus and python3-gi";
    const fs::path root = fs::temp_directory_path() / ("torvane-notices-" + std::to_string(getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "run");
    fs::permissions(root / "run", fs::perms::owner_all);
    SessionBus bus(root / "bus");
    ASSERT_TRUE(bus.Ready());
    const fs::path game_dir = root / "game";
    const fs::path launched = root / "launched";
    fs::create_directories(game_dir);
    std::ofstream(game_dir / "standin-quake2")
        << "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > '" << launched.string() << ".tmp'\nmv '"
        << launched.string() << ".tmp' '" << launched.string() << "'\n";
    fs::permissions(game_dir / "standin-quake2", fs::perms::owner_all);
    const fs::path friday = root / "friday", saturday = root / "saturday";
    WriteReply(friday, "Friday", {{"Visor", 1, 40}});
    WriteReply(saturday, "Saturday", {});
    const std::string environment = "DBUS_SESSION_BUS_ADDRESS='" + bus.Address() + "' XDG_RUNTIME_DIR='" +
                                    (root / "run").string() + "' ASAN_OPTIONS=detect_leaks=0 ";

    EXPECT_EQ(
        0, RunInIsolatedLan([&] {
            const ServerHost first(StartScriptedQuakeServer(2, 27910, friday.string()));
            DesktopCopy copy(
                1, "Watcher", root,
                [&](Settings& s) {
                    s.Event(EventKind::NewHost).Popup = true;
                    s.Buddies = "Ranger, Grunt*";
                    s.Quake2BaseDir = game_dir.string();
                    s.Quake2Command = "standin-quake2";
                },
                [&] {
                    setenv("DBUS_SESSION_BUS_ADDRESS", bus.Address().c_str(), 1);
                    setenv("XDG_RUNTIME_DIR", (root / "run").c_str(), 1);
                });
            ASSERT_FALSE(
                WaitForLogLine(copy.LogFile(), " : New server \"Friday\" found on 10.99.0.12").empty());
            // The first search is quiet; a server found later pops up.
            ASSERT_EQ(copy.AskUntil("panel 0", "Search complete"), "Search complete") << copy.Output();
            const ServerHost second(StartScriptedQuakeServer(3, 27910, saturday.string()));
            EXPECT_EQ(copy.Ask("click TMainForm|&Search"), "done");
            std::string notice;
            const int found = bus.WaitForNotice("New server \\\"Saturday\\\" found on 10.99.0.13", notice);
            ASSERT_NE(found, 0) << copy.Output();
            EXPECT_THAT(notice, HasSubstr("\"app\": \"Torvane\""));
            EXPECT_THAT(notice, HasSubstr("\"actions\": [\"join\", \"Join\"]"));
            bus.Choose(found, "join");
            EXPECT_THAT(WaitForLaunch(launched), HasSubstr("+connect\n10.99.0.13:27910\n"));
            fs::remove(launched);

            // A buddy comes to Friday: told once, whatever the NewPlayer
            // actions say, with the log's line.
            WriteReply(friday, "Friday", {{"Visor", 1, 40}, {"Ranger", 0, 30}});
            EXPECT_EQ(copy.Ask("click TMainForm|&Search"), "done");
            const int buddy = bus.WaitForNotice("Ranger is playing on Friday (q2dm1, 2/8)", notice);
            ASSERT_NE(buddy, 0) << copy.Output();
            EXPECT_THAT(notice, HasSubstr("\"actions\": [\"join\", \"Join\"]"));
            const auto log = WaitForLogLine(copy.LogFile(), " : Ranger is playing on Friday (q2dm1, 2/8)");
            ASSERT_FALSE(log.empty());
            EXPECT_TRUE(log.back().ends_with(" : Ranger is playing on Friday (q2dm1, 2/8)")) << log.back();
            bus.Choose(buddy, "join");
            EXPECT_THAT(WaitForLaunch(launched), HasSubstr("+connect\n10.99.0.12:27910\n"));
            fs::remove(launched);

            // A join link to a second start: the running copy launches,
            // and the second start ends once it has.
            // Started beside it: the same session on the same host.
            const std::string beside =
                "nsenter --net=/proc/" + std::to_string(copy.Pid()) + "/ns/net env " + environment + kDesktop;
            int status = Shell(beside + " quake2://connect/10.99.0.13:27910").status;
            EXPECT_EQ(status, 0);
            EXPECT_THAT(WaitForLaunch(launched), HasSubstr("+connect\n10.99.0.13:27910\n"));
            fs::remove(launched);

            // A link that holds more is refused before anyone hears of it.
            const Ran refused =
                Shell(beside + " 'quake2://connect/10.99.0.13:27910%20+exec%20evil.cfg' 2>&1");
            status = refused.status;
            const std::string& said = refused.output;
            EXPECT_EQ(status, 2);
            EXPECT_THAT(said, HasSubstr("torvane: refused join link: "));
            EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
            EXPECT_FALSE(fs::exists(launched));
            const auto lines = Lines(copy.LogFile());
            EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                    [](const std::string& line) {
                                        return line.find("Launching quake to") != std::string::npos;
                                    }),
                      3);
        }));
    // The help tells of the links.
    EXPECT_THAT(Shell(kDesktop + " --help").output, HasSubstr("torvane quake2://connect/HOST:PORT"));
    fs::remove_all(root);
}

}  // namespace
}  // namespace torvane::test
