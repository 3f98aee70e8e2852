// SPDX-License-Identifier: GPL-2.0-or-later
// A hostile host on a private LAN against a running torvane-headless: it
// answers searches with huge and endless servers, sends replies nobody asked
// for, writes terminal controls into every text, plants links where the log
// goes, announces many users and challenges to addresses no game can join.
// The copy stays small, its log and output stay plain lines, and it starts
// the game only into servers that answered its own query, once a search.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "headless_copy.h"
#include "support/isolated_lan.h"

namespace torvane::test {
namespace {

const std::string kReplyPrefix = "\xFF\xFF\xFF\xFFprint\n\\";

std::string Reply(const std::string& host, const std::string& map = "q2dm1",
                  const std::string& players = "") {
    return kReplyPrefix + "hostname\\" + host + "\\maxclients\\16\\mapname\\" + map +
           "\\fraglimit\\20\\timelimit\\15\n" + players;
}

sockaddr_in To(const std::string& address, uint16_t port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    inet_pton(AF_INET, address.c_str(), &to.sin_addr);
    return to;
}

// Sends each datagram from LAN host k to the copy's game port, from the
// address paired with it (the host's own when empty). Returns when all are
// out. A host's network goes away some time after it ends: give each call a
// host number of its own.
void SendFromHost(int k, const std::vector<std::pair<std::string, std::string>>& datagrams) {
    const pid_t sender = StartLanHost(k, [&] {
        const sockaddr_in to = To(LanHostAddress(1), 27910);
        for (const auto& [from, bytes] : datagrams) {
            const int fd = socket(AF_INET, SOCK_DGRAM, 0);
            if (!from.empty()) {
                const std::string add =
                    "ip addr add " + from + "/32 dev e" + std::to_string(k) + " 2>/dev/null";
                (void)!std::system(add.c_str());
                const sockaddr_in self = To(from, 0);
                if (bind(fd, reinterpret_cast<const sockaddr*>(&self), sizeof self) != 0) return 3;
            }
            if (sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) <
                0)
                return 4;
            close(fd);
        }
        return 0;
    });
    EXPECT_EQ(WaitLanHost(sender), 0);
}

void SendFromHost(int k, const std::vector<std::string>& datagrams) {
    std::vector<std::pair<std::string, std::string>> paired;
    for (const std::string& bytes : datagrams) paired.emplace_back("", bytes);
    SendFromHost(k, paired);
}

// A game server on LAN host k that answers its n-th status query (from 1)
// with every datagram of replies(n), to the query's sender. Stop it with
// StopLanHost.
pid_t StartAnsweringHost(int k, std::function<std::vector<std::string>(int)> replies) {
    int ready[2];
    if (pipe(ready) != 0) throw std::runtime_error("pipe");
    const pid_t pid = StartLanHost(k, [&] {
        close(ready[0]);
        const int fd = socket(AF_INET, SOCK_DGRAM, 0);
        const sockaddr_in self = To("0.0.0.0", 27910);
        if (bind(fd, reinterpret_cast<const sockaddr*>(&self), sizeof self) != 0) return 5;
        (void)!write(ready[1], "x", 1);
        close(ready[1]);
        char query[2048];
        for (int n = 1;; ++n) {
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const ssize_t got =
                recvfrom(fd, query, sizeof query, 0, reinterpret_cast<sockaddr*>(&from), &length);
            if (got < 10 || std::memcmp(query, "\xFF\xFF\xFF\xFFstatus", 10) != 0) {
                --n;
                continue;
            }
            // A millisecond between replies, so that the copy's receive
            // queue holds them all whatever the machine's load.
            for (const std::string& reply : replies(n)) {
                sendto(fd, reply.data(), reply.size(), 0, reinterpret_cast<const sockaddr*>(&from), length);
                usleep(1000);
            }
        }
    });
    close(ready[1]);
    char x;
    const bool bound = read(ready[0], &x, 1) == 1;
    close(ready[0]);
    if (!bound) throw std::runtime_error("the answering host could not bind");
    return pid;
}

// Stops a LAN host when the test body leaves, however it leaves.
struct HostStopper {
    pid_t pid;
    ~HostStopper() { StopLanHost(pid); }
};

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The first control byte (C0 but the line feed, DEL, C1) in `text`, or -1.
int FirstControl(const std::string& text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && byte != '\n') || (byte >= 0x7F && byte <= 0x9F)) return byte;
    }
    return -1;
}

size_t LongestLine(const std::string& text) {
    size_t longest = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) longest = std::max(longest, line.size());
    return longest;
}

long CountOf(const std::string& text, const std::string& part) {
    long count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

fs::path Root(const std::string& what) {
    const fs::path root =
        fs::temp_directory_path() / ("torvane-hostile-" + what + "-" + std::to_string(getpid()));
    fs::remove_all(root);
    return root;
}

// The tray tip written at the end of a search window (the one written at
// start-up is empty).
const std::string kSearchEnd = " hosts, ";

void SearchOnlyWhenTold(Settings& settings) {
    settings.BCInterval = "600";
}

TEST(HostileLan, HugeRepliesAreCutOneSenderHoldsSixtyFourServersAndUnaskedRepliesAddNone) {
    SKIP_WITHOUT_PRIVATE_LAN();
    const fs::path root = Root("size");
    EXPECT_EQ(0, RunInIsolatedLan([&] {
                  // Eighty servers with long names, the first 60 KB long, and
                  // at each answer ten new players with long names.
                  const HostStopper server{StartAnsweringHost(2, [](int n) {
                      std::string players;
                      for (int p = 0; p < 10; ++p)
                          players += "1 2 \"" + std::to_string(n) + "-" + std::to_string(p) +
                                     std::string(200, 'p') + "\"\n";
                      std::vector<std::string> replies;
                      for (int i = 0; i < 80; ++i) {
                          const std::string name =
                              "Big " + std::to_string(i) + std::string(i == 0 ? 60'000 : 1000, 'x');
                          replies.push_back(Reply(name, "q2dm1", players));
                      }
                      return replies;
                  })};
                  Copy copy(1, "Target", root, SearchOnlyWhenTold);
                  EXPECT_TRUE(copy.WaitFor(kSearchEnd).starts_with("tip: 64 hosts, ")) << copy.Seen();

                  // Replies that come between searches, from a host nobody asked.
                  std::vector<std::string> unasked;
                  for (int i = 0; i < 50; ++i) unasked.push_back(Reply("Unasked " + std::to_string(i)));
                  unasked.push_back("TVNMESSMallory\tMafter the replies");
                  SendFromHost(3, unasked);
                  EXPECT_NE(copy.WaitFor("chat: Mallory | "), "") << copy.Seen();

                  copy.Send("search");
                  EXPECT_TRUE(copy.WaitForNext(kSearchEnd).starts_with("tip: 64 hosts, ")) << copy.Seen();
                  EXPECT_EQ(copy.Quit(), 0);

                  const std::string log = ReadAll(root / "Target" / "torvane.log");
                  EXPECT_EQ(CountOf(log, " : New server \"Big "), 64);
                  EXPECT_EQ(CountOf(log, "Unasked"), 0);
                  // Player names of 15 bytes at most: each line names one
                  // host (63 bytes) and one player.
                  EXPECT_EQ(CountOf(log, " entered Big "), 640);
                  EXPECT_LE(LongestLine(log), 140u);
                  EXPECT_LE(LongestLine(copy.Seen()), 160u);
              }));
    fs::remove_all(root);
}

TEST(HostileLan, TerminalControlsReachNeitherTheLogNorTheOutput) {
    SKIP_WITHOUT_PRIVATE_LAN();
    const fs::path root = Root("controls");
    // Erase the line, go back to its start and write a line of our own;
    // ring; an 8-bit CSI; the line breaks NEL and LINE SEPARATOR in UTF-8.
    const std::string forged =
        "\x1B[2K\r21:00:00 : Torvane started\x07\x9B"
        "31m\xC2\x85"
        "a\xE2\x80\xA8"
        "b\x7F";
    EXPECT_EQ(
        0, RunInIsolatedLan([&] {
            const HostStopper server{StartAnsweringHost(2, [&](int n) {
                // At the second answer a player enters who sets the
                // terminal's clipboard.
                const std::string players = n < 2 ? "" : "1 2 \"\x1B]52;c;cm0K\x07\"\n";
                return std::vector<std::string>{Reply("Evil" + forged, "q2\x1B[5m", players)};
            })};
            Copy copy(1, "Target", root, SearchOnlyWhenTold);
            EXPECT_NE(copy.WaitFor(kSearchEnd), "") << copy.Seen();
            SendFromHost(3, {"TVNMESSMallory" + forged + "\tS" + forged, "TVNMESSMallory\tMsaid" + forged});
            EXPECT_NE(copy.WaitFor("chat: Mallory"), "") << copy.Seen();
            copy.Send("search");
            EXPECT_NE(copy.WaitFor(" entered Evil"), "") << copy.Seen();
            EXPECT_EQ(copy.Quit(), 0);

            const std::string log = ReadAll(root / "Target" / "torvane.log");
            EXPECT_NE(log.find("New server \"Evil\\x1B[2K\\x0D21:00:00 : Torvane started\\x07\\x9B"
                               "31m\xC2\\x85"
                               "a\xE2\\x80\xA8"
                               "b\\x7F\" found on 10.99.0.12"),
                      std::string::npos)
                << log;
            EXPECT_NE(log.find(" shouted \""), std::string::npos) << log;
            EXPECT_NE(log.find("\\x1B]52;c;cm0K\\x07 entered Evil"), std::string::npos) << log;
            EXPECT_EQ(FirstControl(log), -1) << log;
            EXPECT_EQ(FirstControl(copy.Seen()), -1) << copy.Seen();
        }));
    fs::remove_all(root);
}

TEST(HostileLan, TheLogFileIsTheUsersAloneNeverALinkAndNeverOverItsLimit) {
    SKIP_WITHOUT_PRIVATE_LAN();
    const fs::path root = Root("logfile");
    EXPECT_EQ(0, RunInIsolatedLan([&] {
                  // A dangling link where the log goes would make its target.
                  const fs::path target = root / "planted" / "target";
                  {
                      fs::create_directories(target.parent_path());
                      fs::create_symlink(target, root / "planted" / "torvane.log");
                      Copy linked(4, "Linked", root, [&](Settings& s) {
                          s.LogFile = (root / "planted" / "torvane.log").string();
                      });
                      EXPECT_NE(linked.WaitFor(kSearchEnd), "") << linked.Seen();
                      EXPECT_EQ(linked.Quit(), 0);
                  }
                  EXPECT_FALSE(fs::exists(target));

                  // A relative name is taken from the configuration folder,
                  // not from wherever the program was started.
                  const fs::path work = root / "work";
                  fs::create_directories(work);
                  {
                      Copy relative(
                          5, "Relative", root, [](Settings& s) { s.LogFile = "relative.log"; },
                          [&] { (void)!chdir(work.c_str()); });
                      EXPECT_NE(relative.WaitFor(kSearchEnd), "") << relative.Seen();
                      EXPECT_EQ(relative.Quit(), 0);
                  }
                  const fs::path made = root / "Relative" / "config" / "torvane" / "relative.log";
                  EXPECT_TRUE(fs::is_empty(work));
                  ASSERT_TRUE(fs::exists(made));
                  EXPECT_EQ(fs::status(made).permissions() & fs::perms::all,
                            fs::perms::owner_read | fs::perms::owner_write);
                  EXPECT_NE(ReadAll(made).find(" : Torvane started\n"), std::string::npos);

                  // A log just short of 10 MB: the first lines move it aside.
                  const fs::path full = root / "Full" / "torvane.log";
                  fs::create_directories(full.parent_path());
                  const off_t limit = 10 * 1024 * 1024;
                  std::ofstream(full) << std::string(limit - 20, 'x') << '\n';
                  Copy copy(1, "Full", root);
                  EXPECT_NE(copy.WaitFor(kSearchEnd), "") << copy.Seen();
                  EXPECT_LE(fs::file_size(full.string() + ".1"), std::uintmax_t(limit));
                  EXPECT_EQ(ReadAll(full.string() + ".1").substr(0, 10), "xxxxxxxxxx");
                  EXPECT_NE(ReadAll(full).find(" : Torvane started\n"), std::string::npos);

                  // The file stays open: moved away, it still gets the lines.
                  const fs::path moved = root / "Full" / "moved.log";
                  fs::rename(full, moved);
                  SendFromHost(2, {"TVNMESSMallory\tSafter the move"});
                  EXPECT_NE(copy.WaitFor("status1: Mallory shouted"), "") << copy.Seen();
                  EXPECT_EQ(copy.Quit(), 0);
                  EXPECT_FALSE(fs::exists(full));
                  const std::string kept = ReadAll(moved);
                  EXPECT_NE(kept.find(" : Mallory shouted \"after the move\"\n"), std::string::npos) << kept;
                  EXPECT_TRUE(kept.ends_with(" : Torvane closed\n")) << kept;
              }));
    fs::remove_all(root);
}

TEST(HostileLan, EventsLaunchOncePerSearchAndOnlyIntoServersThatAnsweredTheQuery) {
    SKIP_WITHOUT_PRIVATE_LAN();
    const fs::path root = Root("launch");
    EXPECT_EQ(
        0, RunInIsolatedLan([&] {
            // Twenty new servers at every answer.
            const HostStopper server{StartAnsweringHost(2, [](int n) {
                std::vector<std::string> replies;
                for (int i = 0; i < 20; ++i)
                    replies.push_back(Reply("Wave " + std::to_string(n) + "-" + std::to_string(i)));
                return replies;
            })};
            Copy copy(1, "Target", root, [](Settings& s) {
                s.BCInterval = "600";
                s.Event(EventKind::NewHost) = {false, true, false, ""};
            });
            // The first search never launches.
            EXPECT_NE(copy.WaitFor(kSearchEnd), "") << copy.Seen();

            for (int search = 1; search <= 2; ++search) {
                std::vector<std::string> forged;
                for (int i = 0; i < 20; ++i)
                    forged.push_back(Reply("Forged " + std::to_string(search) + "-" + std::to_string(i)));
                copy.Send("search");
                SendFromHost(2 + search, forged);
                EXPECT_NE(copy.WaitForNext(kSearchEnd), "") << copy.Seen();
                EXPECT_EQ(CountOf(copy.Seen(), " : Launching quake to "), search) << copy.Seen();
                for (int i = 0; i < 100 && !fs::exists(copy.LaunchRecord()); ++i) usleep(50'000);
                ASSERT_FALSE(Lines(copy.LaunchRecord()).empty());
                EXPECT_EQ(Lines(copy.LaunchRecord()).back(), "10.99.0.12:27910");
            }
            EXPECT_EQ(CountOf(copy.Seen(), " : Launching quake to Forged"), 0) << copy.Seen();
            EXPECT_EQ(copy.Quit(), 0);
        }));
    fs::remove_all(root);
}

TEST(HostileLan, TheOutputTellsTheChangedUserRowNotTheWholeTable) {
    SKIP_WITHOUT_PRIVATE_LAN();
    const fs::path root = Root("users");
    EXPECT_EQ(0, RunInIsolatedLan([&] {
                  Copy copy(1, "Target", root, SearchOnlyWhenTold);
                  EXPECT_NE(copy.WaitFor(kSearchEnd), "") << copy.Seen();
                  auto info = [](int i, const std::string& message) {
                      return std::pair<std::string, std::string>(
                          "10.99.0." + std::to_string(100 + i),
                          "TVNINFO\tK1\tAUser" + std::to_string(i) + "\tBR\tC" + message + "\tH1");
                  };
                  std::vector<std::pair<std::string, std::string>> all;
                  for (int i = 0; i < 30; ++i) all.push_back(info(i, "here"));
                  SendFromHost(2, all);
                  EXPECT_NE(copy.WaitFor("User29 (Ready) here"), "") << copy.Seen();

                  SendFromHost(3, {info(7, "changed")});
                  const std::string changed = copy.WaitForNext("changed");
                  EXPECT_TRUE(changed.starts_with("user: ")) << changed;
                  EXPECT_TRUE(changed.ends_with("| User7 (Ready) changed")) << changed;
                  // Every line of the output names one user at the most.
                  std::istringstream lines(copy.Seen());
                  for (std::string line; std::getline(lines, line);)
                      EXPECT_LE(CountOf(line, "User"), 1) << line;
                  EXPECT_EQ(copy.Quit(), 0);
              }));
    fs::remove_all(root);
}

TEST(HostileLan, ChallengesToAddressesNoGameCanJoinAreNotShown) {
    SKIP_WITHOUT_PRIVATE_LAN();
    const fs::path root = Root("challenge");
    EXPECT_EQ(
        0, RunInIsolatedLan([&] {
            Copy copy(1, "Target", root, SearchOnlyWhenTold);
            EXPECT_NE(copy.WaitFor(kSearchEnd), "") << copy.Seen();
            std::vector<std::string> challenges;
            for (const char* address : {"0.0.0.0", "127.0.0.1", "255.255.255.255", "224.0.0.1", "10.99.0.12"})
                challenges.push_back(std::string("TVNSUGGFrom ") + address + "\tArena\t" + address +
                                     "\t27910\tq2dm1");
            SendFromHost(2, challenges);
            EXPECT_NE(copy.WaitFor("From 10.99.0.12 challenges you"), "") << copy.Seen();
            EXPECT_EQ(CountOf(copy.Seen(), " challenges you"), 1) << copy.Seen();
            EXPECT_EQ(copy.Quit(), 0);
        }));
    fs::remove_all(root);
}

}  // namespace
}  // namespace torvane::test
