// quakesim: many simulated Quake II servers in one process, one UDP socket
// each. Every status query a socket receives is answered at once with that
// server's reply (see sim/simserver.h). For measurements and whole-program
// tests on a private LAN only: it answers whoever asks.
//
//   quakesim [--servers N] [--address A] [--port P] [--same-port]
//            [--seed S] [--max-players M] [--expect FILE] [--seconds S]
//
// Servers listen on A (default 0.0.0.0) ports P, P+1, ... (default 27910);
// with --same-port all of them share port P, so that each one answers a
// broadcast query, as a LAN full of servers would. --expect writes the
// servers as JSON (port, hostname, map, limits, players), the truth to
// check a query tool against. "ready N" on standard output says that N
// servers are listening; the program ends after S seconds (default 600),
// or on SIGINT or SIGTERM, and then reports what it answered on standard
// error.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/uniquefd.h"
#include "sim/simserver.h"

namespace torvane::sim {
namespace {

struct Options {
    int servers = 1000;
    std::string address = "0.0.0.0";
    int port = 27910;
    bool same_port = false;
    uint32_t seed = 1;
    int max_players = 16;
    std::string expect;
    int seconds = 600;
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
            options.address = value();
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
        } else {
            Fail("unknown argument '" + arg + "'");
        }
    }
    const int last_port = options.port + (options.same_port ? 0 : options.servers - 1);
    if (options.servers < 1 || options.port < 1 || last_port > 65535 || options.seconds < 1)
        Fail("servers, ports and seconds must be positive, the ports at most 65535");
    return options;
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

UniqueFd BindServer(const Options& options, int port) {
    UniqueFd fd(socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd.Valid()) Fail(std::string("socket: ") + std::strerror(errno));
    const int on = 1;
    if (options.same_port) setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, options.address.c_str(), &address.sin_addr) != 1)
        Fail("not an IPv4 address: " + options.address);
    if (bind(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        Fail("bind " + options.address + ":" + std::to_string(port) + ": " + std::strerror(errno));
    return fd;
}

void WriteExpectation(const std::string& path, const std::vector<SimServer>& servers,
                      const std::vector<int>& ports) {
    nlohmann::ordered_json all = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < servers.size(); ++i) {
        const SimServer& server = servers[i];
        nlohmann::ordered_json players = nlohmann::ordered_json::array();
        for (const SimPlayer& player : server.players)
            players.push_back({{"name", player.name}, {"frags", player.frags}, {"ping", player.ping}});
        all.push_back({{"port", ports[i]},
                       {"hostname", server.host_name},
                       {"map", server.map},
                       {"maxclients", server.max_clients},
                       {"fraglimit", server.frag_limit},
                       {"timelimit", server.time_limit},
                       {"players", std::move(players)}});
    }
    std::ofstream(path) << all.dump(1) << '\n';
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
};

// Answers every status query waiting on the socket.
void Answer(int fd, const std::string& reply, Counts& counts) {
    std::array<char, 2048> buffer;
    for (;;) {
        sockaddr_in from{};
        socklen_t from_length = sizeof from;
        const ssize_t n =
            recvfrom(fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &from_length);
        if (n < 0) return;
        if (!IsStatusQuery(buffer.data(), n)) continue;
        ++counts.queries;
        if (sendto(fd, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), from_length) < 0)
            ++counts.refused;
        else
            ++counts.replies;
    }
}

int Run(const Options& options) {
    RaiseDescriptorLimit(options.servers + 64);
    std::vector<SimServer> servers;
    std::vector<std::string> replies;
    std::vector<int> ports;
    std::vector<UniqueFd> sockets;
    UniqueFd epoll(epoll_create1(EPOLL_CLOEXEC));
    for (int i = 0; i < options.servers; ++i) {
        servers.push_back(MakeServer(options.seed, i, options.max_players));
        replies.push_back(StatusReply(servers.back()));
        ports.push_back(options.same_port ? options.port : options.port + i);
        sockets.push_back(BindServer(options, ports.back()));
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u32 = static_cast<uint32_t>(i);
        if (epoll_ctl(epoll.Get(), EPOLL_CTL_ADD, sockets.back().Get(), &event) != 0)
            Fail(std::string("epoll_ctl: ") + std::strerror(errno));
    }
    if (!options.expect.empty()) WriteExpectation(options.expect, servers, ports);

    std::printf("ready %d\n", options.servers);
    std::fflush(stdout);

    Counts counts;
    const double end = Seconds() + options.seconds;
    std::vector<epoll_event> events(1024);
    sigset_t pending;
    while (Seconds() < end) {
        const int ready = epoll_wait(epoll.Get(), events.data(), static_cast<int>(events.size()), 200);
        if (ready < 0 && errno != EINTR) Fail(std::string("epoll_wait: ") + std::strerror(errno));
        for (int e = 0; e < ready; ++e) {
            const uint32_t i = events[e].data.u32;
            Answer(sockets[i].Get(), replies[i], counts);
        }
        if (sigpending(&pending) == 0 && (sigismember(&pending, SIGINT) || sigismember(&pending, SIGTERM)))
            break;
    }
    std::fprintf(stderr, "quakesim: %ld queries, %ld replies, %ld refused by the platform\n", counts.queries,
                 counts.replies, counts.refused);
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
