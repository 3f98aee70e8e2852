// SPDX-License-Identifier: GPL-2.0-or-later
// quakesim: many simulated Quake II servers in one process, one UDP socket
// each. Every status query a socket receives is answered with that server's
// reply (see sim/simserver.h), at once or after a delay. For measurements and
// whole-program tests on a private LAN only: it answers whoever asks.
//
//   quakesim [--servers N] [--address A] [--port P] [--same-port]
//            [--seed S] [--max-players M] [--expect FILE] [--seconds S]
//            [--delay-ms D] [--jitter-ms J] [--delays FILE]
//            [--master-port M] [--master-datagrams K]
//
// With --delay-ms each reply is held for D ms, give or take up to J ms
// (uniformly drawn per query), to stand in for servers far away: the
// kernel here has no netem. --delays writes, at the end, for each server
// that was asked, by port: "queries", how many status queries it got, and
// "delay_ms", the true delay of its last reply: from the platform's arrival
// stamp of the query to its stamp of the reply leaving (the moment before
// the send when the platform gives none), so that the process being put
// aside by a busy machine between the two cannot lengthen it.
// With --master-port the program also plays a master server on the first
// address, port M (an address must be given then): a datagram starting
// with "query" is answered with the list of all its servers, each at its
// own address, split over K datagrams (default 1).
//
// Servers listen on A (default 0.0.0.0) ports P, P+1, ... (default 27910);
// with --same-port all of them share port P, so that each one answers a
// broadcast query, as a LAN full of servers would. --address may be given
// more than once: server i then listens on the (i mod count)-th address,
// still on port P+i, so that a list of more servers than a client keeps of
// one address can come from one host holding several addresses (the
// caller adds them to its interface first). --expect writes the servers
// as JSON (address, port, hostname, map, limits, players), the truth to
// check a query tool against. "ready N" on standard output says that N
// servers are listening; the program ends after S seconds (default 600),
// or on SIGINT or SIGTERM, and then reports what it answered on standard
// error.

#include <arpa/inet.h>
#include <linux/net_tstamp.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <queue>
#include <random>
#include <string>
#include <vector>

#include "platform/uniquefd.h"
#include "sim/simserver.h"

namespace torvane::sim {
namespace {

struct Options {
    int servers = 1000;
    std::vector<std::string> addresses;  // none: 0.0.0.0
    int port = 27910;
    bool same_port = false;
    uint32_t seed = 1;
    int max_players = 16;
    std::string expect;
    int seconds = 600;
    double delay_ms = 0;
    double jitter_ms = 0;
    std::string delays;
    int master_port = 0;
    int master_datagrams = 1;
};

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "quakesim: %s\n", what.c_str());
    std::exit(1);
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) Fail(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--servers") {
            options.servers = std::atoi(value().c_str());
        } else if (arg == "--address") {
            options.addresses.push_back(value());
        } else if (arg == "--port") {
            options.port = std::atoi(value().c_str());
        } else if (arg == "--same-port") {
            options.same_port = true;
        } else if (arg == "--seed") {
            options.seed = static_cast<uint32_t>(std::strtoul(value().c_str(), nullptr, 10));
        } else if (arg == "--max-players") {
            options.max_players = std::atoi(value().c_str());
        } else if (arg == "--expect") {
            options.expect = value();
        } else if (arg == "--seconds") {
            options.seconds = std::atoi(value().c_str());
        } else if (arg == "--delay-ms") {
            options.delay_ms = std::atof(value().c_str());
        } else if (arg == "--jitter-ms") {
            options.jitter_ms = std::atof(value().c_str());
        } else if (arg == "--delays") {
            options.delays = value();
        } else if (arg == "--master-port") {
            options.master_port = std::atoi(value().c_str());
        } else if (arg == "--master-datagrams") {
            options.master_datagrams = std::atoi(value().c_str());
        } else {
            Fail("unknown argument '" + arg + "'");
        }
    }
    const bool any_address = options.addresses.empty();
    if (any_address) options.addresses.push_back("0.0.0.0");
    const int last_port = options.port + (options.same_port ? 0 : options.servers - 1);
    if (options.servers < 1 || options.port < 1 || last_port > 65535 || options.seconds < 1)
        Fail("servers, ports and seconds must be positive, the ports at most 65535");
    if (options.delay_ms < 0 || options.jitter_ms < 0 || options.jitter_ms > options.delay_ms)
        Fail("the delay must be positive and at least the jitter");
    if (options.master_port < 0 || options.master_port > 65535 || options.master_datagrams < 1 ||
        (options.master_port != 0 && any_address))
        Fail("a master needs a port, a positive number of datagrams and an --address");
    return options;
}

// The address server i listens on.
const std::string& AddressOf(const Options& options, std::size_t i) {
    return options.addresses[i % options.addresses.size()];
}

// One socket per server: a process of ten thousand servers needs more
// descriptors than the usual soft limit.
void RaiseDescriptorLimit(int needed) {
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_cur >= static_cast<rlim_t>(needed)) return;
    limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, static_cast<rlim_t>(needed));
    setrlimit(RLIMIT_NOFILE, &limit);
}

UniqueFd BindServer(const Options& options, const std::string& host, int port) {
    UniqueFd fd(socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd.Valid()) Fail(std::string("socket: ") + std::strerror(errno));
    const int on = 1;
    if (options.same_port) setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) Fail("not an IPv4 address: " + host);
    if (bind(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        Fail("bind " + host + ":" + std::to_string(port) + ": " + std::strerror(errno));
    return fd;
}

void WriteExpectation(const Options& options, const std::vector<SimServer>& servers,
                      const std::vector<int>& ports) {
    nlohmann::ordered_json all = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < servers.size(); ++i) {
        const SimServer& server = servers[i];
        nlohmann::ordered_json players = nlohmann::ordered_json::array();
        for (const SimPlayer& player : server.players)
            players.push_back({{"name", player.name}, {"frags", player.frags}, {"ping", player.ping}});
        all.push_back({{"address", AddressOf(options, i)},
                       {"port", ports[i]},
                       {"hostname", server.host_name},
                       {"map", server.map},
                       {"maxclients", server.max_clients},
                       {"fraglimit", server.frag_limit},
                       {"timelimit", server.time_limit},
                       {"players", std::move(players)}});
    }
    std::ofstream(options.expect) << all.dump(1) << '\n';
}

double Seconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Counts {
    long queries = 0;
    long replies = 0;
    long refused = 0;  // sends the platform did not take
    long master_queries = 0;
};

int64_t Nanoseconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// A reply held back until its moment.
struct Held {
    int64_t due_ns = 0;  // CLOCK_REALTIME, the clock of the arrival stamps
    int64_t arrived_ns = 0;
    int server = 0;
    sockaddr_in to{};
    bool operator>(const Held& other) const { return due_ns > other.due_ns; }
};

class Simulator {
public:
    Simulator(const Options& options, std::vector<UniqueFd>& sockets, const std::vector<std::string>& replies)
        : options_(options),
          sockets_(sockets),
          replies_(replies),
          random_(options.seed),
          true_delay_(replies.size(), -1),
          queries_(replies.size(), 0) {}

    // Answers (or holds) every status query waiting on server `i`'s socket.
    void Receive(int i) {
        std::array<char, 2048> buffer;
        for (;;) {
            sockaddr_in from{};
            int64_t arrived = 0;
            const ssize_t n = ReceiveStamped(sockets_[i].Get(), buffer.data(), buffer.size(), from, arrived);
            if (n < 0) return;
            if (!IsStatusQuery(buffer.data(), n)) continue;
            ++counts.queries;
            ++queries_[i];
            if (options_.delay_ms <= 0) {
                Send(i, from, arrived);
                continue;
            }
            std::uniform_real_distribution<double> delay(options_.delay_ms - options_.jitter_ms,
                                                         options_.delay_ms + options_.jitter_ms);
            held_.push({arrived + static_cast<int64_t>(delay(random_) * 1e6), arrived, i, from});
        }
    }

    // Sends every held reply whose moment has come; answers the ms until
    // the next one (-1 when none is held).
    int SendDue() {
        for (;;) {
            if (held_.empty()) return -1;
            const int64_t now = Nanoseconds(CLOCK_REALTIME);
            const Held& next = held_.top();
            if (next.due_ns > now) {
                // Woken a little early and then waits out the rest, so that a
                // reply leaves within microseconds of its moment.
                const int64_t left_ns = next.due_ns - now;
                if (left_ns > 1'500'000) return static_cast<int>(left_ns / 1'000'000) - 1;
                while (Nanoseconds(CLOCK_REALTIME) < next.due_ns) {
                }
            }
            Send(next.server, next.to, next.arrived_ns);
            held_.pop();
        }
    }

    void WriteDelays(const std::vector<int>& ports) const {
        if (options_.delays.empty()) return;
        nlohmann::ordered_json all = nlohmann::ordered_json::object();
        for (std::size_t i = 0; i < queries_.size(); ++i)
            if (queries_[i] > 0)
                all[std::to_string(ports[i])] = {{"queries", queries_[i]}, {"delay_ms", true_delay_[i]}};
        std::ofstream(options_.delays) << all.dump(1) << '\n';
    }

    Counts counts;

private:
    // The software stamp a control message carries, or 0.
    static int64_t StampOf(msghdr& message) {
        int64_t stamp_ns = 0;
        for (cmsghdr* header = CMSG_FIRSTHDR(&message); header; header = CMSG_NXTHDR(&message, header)) {
            if (header->cmsg_level != SOL_SOCKET ||
                (header->cmsg_type != SCM_TIMESTAMPNS && header->cmsg_type != SCM_TIMESTAMPING))
                continue;
            // Either one stamp, or three of which the first is the software one.
            timespec stamp{};
            std::memcpy(&stamp, CMSG_DATA(header), sizeof stamp);
            stamp_ns = static_cast<int64_t>(stamp.tv_sec) * 1'000'000'000 + stamp.tv_nsec;
        }
        return stamp_ns;
    }

    // The platform's stamp of the datagram that last left `fd`, or 0.
    static int64_t SentStamp(int fd) {
        int64_t stamp_ns = 0;
        for (;;) {
            char data[64];
            iovec part{data, sizeof data};
            alignas(cmsghdr) char control[512];
            msghdr message{};
            message.msg_iov = &part;
            message.msg_iovlen = 1;
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            if (recvmsg(fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0) return stamp_ns;
            if (const int64_t stamp = StampOf(message)) stamp_ns = stamp;
        }
    }

    static ssize_t ReceiveStamped(int fd, char* buffer, std::size_t size, sockaddr_in& from,
                                  int64_t& arrived) {
        iovec part{buffer, size};
        alignas(cmsghdr) char control[512];
        msghdr message{};
        message.msg_name = &from;
        message.msg_namelen = sizeof from;
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t n = recvmsg(fd, &message, 0);
        if (n < 0) {
            SentStamp(fd);  // a stamp left behind would wake the loop again and again
            return n;
        }
        const int64_t stamp = StampOf(message);
        arrived = stamp != 0 ? stamp : Nanoseconds(CLOCK_REALTIME);
        return n;
    }

    void Send(int i, const sockaddr_in& to, int64_t arrived_ns) {
        const std::string& reply = replies_[i];
        const int64_t before = Nanoseconds(CLOCK_REALTIME);
        if (sendto(sockets_[i].Get(), reply.data(), reply.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                   sizeof to) < 0) {
            ++counts.refused;
            return;
        }
        ++counts.replies;
        const int64_t sent = SentStamp(sockets_[i].Get());
        true_delay_[i] = static_cast<double>((sent != 0 ? sent : before) - arrived_ns) / 1e6;
    }

    const Options& options_;
    std::vector<UniqueFd>& sockets_;
    const std::vector<std::string>& replies_;
    std::mt19937 random_;
    std::priority_queue<Held, std::vector<Held>, std::greater<Held>> held_;
    std::vector<double> true_delay_;
    std::vector<long> queries_;
};

// The master's list of every server, split over `datagrams` datagrams.
std::vector<std::string> MasterReplies(const Options& options, const std::vector<int>& ports) {
    std::vector<std::string> datagrams;
    const std::size_t parts = static_cast<std::size_t>(options.master_datagrams);
    const std::size_t per = (ports.size() + parts - 1) / parts;
    for (std::size_t first = 0; first < ports.size(); first += per) {
        std::string datagram = "\xFF\xFF\xFF\xFFservers ";
        for (std::size_t i = first; i < std::min(ports.size(), first + per); ++i) {
            in_addr address{};
            inet_pton(AF_INET, AddressOf(options, i).c_str(), &address);
            datagram.append(reinterpret_cast<const char*>(&address.s_addr), 4);
            datagram += static_cast<char>(ports[i] >> 8);
            datagram += static_cast<char>(ports[i] & 0xFF);
        }
        datagrams.push_back(std::move(datagram));
    }
    return datagrams;
}

void AnswerMaster(int fd, const std::vector<std::string>& list, Counts& counts) {
    std::array<char, 512> buffer;
    for (;;) {
        sockaddr_in from{};
        socklen_t from_length = sizeof from;
        const ssize_t n =
            recvfrom(fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &from_length);
        if (n < 0) return;
        if (n < 5 || std::memcmp(buffer.data(), "query", 5) != 0) continue;
        ++counts.master_queries;
        for (const std::string& datagram : list)
            sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&from), from_length);
    }
}

int Run(const Options& options) {
    RaiseDescriptorLimit(options.servers + 64);
    std::vector<SimServer> servers;
    std::vector<std::string> replies;
    std::vector<int> ports;
    std::vector<UniqueFd> sockets;
    UniqueFd epoll(epoll_create1(EPOLL_CLOEXEC));
    // Arrivals and departures stamped by the platform.
    const int stamps = SOF_TIMESTAMPING_RX_SOFTWARE | SOF_TIMESTAMPING_TX_SOFTWARE |
                       SOF_TIMESTAMPING_SOFTWARE | SOF_TIMESTAMPING_OPT_TSONLY;
    for (int i = 0; i < options.servers; ++i) {
        servers.push_back(MakeServer(options.seed, i, options.max_players));
        replies.push_back(StatusReply(servers.back()));
        ports.push_back(options.same_port ? options.port : options.port + i);
        sockets.push_back(BindServer(options, AddressOf(options, static_cast<std::size_t>(i)), ports.back()));
        setsockopt(sockets.back().Get(), SOL_SOCKET, SO_TIMESTAMPING, &stamps, sizeof stamps);
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u32 = static_cast<uint32_t>(i);
        if (epoll_ctl(epoll.Get(), EPOLL_CTL_ADD, sockets.back().Get(), &event) != 0)
            Fail(std::string("epoll_ctl: ") + std::strerror(errno));
    }
    UniqueFd master;
    std::vector<std::string> master_list;
    constexpr uint32_t kMasterEvent = UINT32_MAX;
    if (options.master_port != 0) {
        Options master_options = options;
        master_options.same_port = false;
        master = BindServer(master_options, options.addresses.front(), options.master_port);
        master_list = MasterReplies(options, ports);
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u32 = kMasterEvent;
        if (epoll_ctl(epoll.Get(), EPOLL_CTL_ADD, master.Get(), &event) != 0)
            Fail(std::string("epoll_ctl: ") + std::strerror(errno));
    }
    if (!options.expect.empty()) WriteExpectation(options, servers, ports);

    std::printf("ready %d\n", options.servers);
    std::fflush(stdout);

    Simulator simulator(options, sockets, replies);
    const double end = Seconds() + options.seconds;
    std::vector<epoll_event> events(1024);
    sigset_t pending;
    while (Seconds() < end) {
        const int next = simulator.SendDue();
        const int wait = next < 0 ? 200 : std::min(next, 200);
        const int ready = epoll_wait(epoll.Get(), events.data(), static_cast<int>(events.size()), wait);
        if (ready < 0 && errno != EINTR) Fail(std::string("epoll_wait: ") + std::strerror(errno));
        for (int e = 0; e < ready; ++e) {
            const uint32_t i = events[e].data.u32;
            if (i == kMasterEvent)
                AnswerMaster(master.Get(), master_list, simulator.counts);
            else
                simulator.Receive(static_cast<int>(i));
        }
        if (sigpending(&pending) == 0 && (sigismember(&pending, SIGINT) || sigismember(&pending, SIGTERM)))
            break;
    }
    simulator.WriteDelays(ports);
    const Counts& counts = simulator.counts;
    std::fprintf(stderr,
                 "quakesim: %ld queries, %ld replies, %ld refused by the platform, %ld master queries\n",
                 counts.queries, counts.replies, counts.refused, counts.master_queries);
    return 0;
}

}  // namespace
}  // namespace torvane::sim

int main(int argc, char** argv) {
    // SIGINT and SIGTERM end the loop (checked each round), so the counts
    // are still reported.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    return torvane::sim::Run(torvane::sim::ParseOptions(argc, argv));
}
