// SPDX-License-Identifier: GPL-2.0-or-later
// Cost of the reply path: parsing a typical reply, and merging an unchanged
// reply into a small and a large host table (which should cost the same).

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "discovery/dispatch.h"
#include "discovery/quiethost.h"
#include "discovery/statusquery.h"
#include "discovery/statusreply.h"

namespace torvane {
namespace {

// A window, game and settings that do nothing, so only the table is measured.
using QuietShell = QuietHost;

// About 1 KB: a full server-information line and 16 player lines.
std::string TypicalReply(const std::string& host) {
    std::string reply =
        "\xFF\xFF\xFF\xFFprint\n\\cheats\\0\\deathmatch\\1\\dmflags\\16\\fraglimit\\30\\timelimit\\20\\"
        "maxclients\\16\\gamename\\baseq2\\version\\3.20 x86 Nov 30 1997 Linux RELEASE\\protocol\\34\\"
        "uptime\\0 days 4 hrs 10 mins\\admin\\someone at the lan party\\location\\hall two\\"
        "mapname\\q2dm1\\hostname\\" +
        host + "\n";
    for (int i = 0; i < 16; ++i) {
        reply += std::to_string(i * 3) + " " + std::to_string(20 + i) + " \"[clan] player of the blue team " +
                 std::to_string(i) + "\"\n";
    }
    return reply;
}

std::string AddressOf(int n) {
    return "10.0." + std::to_string(n / 250) + "." + std::to_string(n % 250 + 1);
}

void BM_ParseStatusReply(benchmark::State& state) {
    const std::string reply = TypicalReply("The LAN party deathmatch server");
    ReceiveBuffer buffer;
    for (auto _ : state) {
        std::memcpy(buffer.data(), reply.data(), reply.size());  // parsing is destructive
        TQuakeServer server;
        ParseStatusReply(buffer.data(), int(reply.size()), server);
        benchmark::DoNotOptimize(server);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(reply.size()));
    state.SetLabel(std::to_string(reply.size()) + " bytes");
}
BENCHMARK(BM_ParseStatusReply);

// A table of state.range(0) servers, each already merged from a typical reply.
struct FilledTable {
    explicit FilledTable(int servers) {
        for (int n = 0; n < servers; ++n) Deliver(n);
    }
    void Deliver(int n) {
        const std::string reply = TypicalReply("server " + std::to_string(n));
        std::memcpy(buffer.data(), reply.data(), reply.size());
        dispatcher.DispatchDatagram(buffer.data(), int(reply.size()), AddressOf(n), "27910");
    }
    QuietShell shell;
    QuietPeers peers;
    ManualClock clock;
    SearchState search;
    HostTable table{shell, shell.AsServices(), shell, search};
    DatagramDispatcher dispatcher{clock, search, table, peers};
    ReceiveBuffer buffer;
};

void BM_MergeUnchangedServer(benchmark::State& state) {
    FilledTable filled(int(state.range(0)));
    // The last server: the one a scan from the front would reach last.
    const TQuakeServer fresh = filled.table[filled.table.size() - 1];
    for (auto _ : state) filled.table.MergeServer(fresh);
}
BENCHMARK(BM_MergeUnchangedServer)->Arg(10)->Arg(10'000);

void BM_DispatchUnchangedReply(benchmark::State& state) {
    FilledTable filled(int(state.range(0)));
    const int last = int(state.range(0)) - 1;
    for (auto _ : state) filled.Deliver(last);
    if (filled.table.size() != std::size_t(state.range(0))) state.SkipWithError("the reply was not merged");
}
BENCHMARK(BM_DispatchUnchangedReply)->Arg(10)->Arg(10'000);

// The core's whole cost of one reply, as a socket hands it over: dispatch,
// parse, acceptance, merge and the view update through a do-nothing view.
// Every server of a table of state.range(0) answers in turn with the same
// 16-player reply as before, so nothing changes and the table is walked as a
// search walks it. The replies are made beforehand; copying one into the
// receive buffer is part of the cost, as the socket's read would be.
void BM_CorePerUnchangedReply(benchmark::State& state) {
    const int servers = int(state.range(0));
    FilledTable filled(servers);
    std::vector<std::string> replies;
    std::vector<std::string> addresses;
    for (int n = 0; n < servers; ++n) {
        replies.push_back(TypicalReply("server " + std::to_string(n)));
        addresses.push_back(AddressOf(n));
    }
    int n = 0;
    for (auto _ : state) {
        const std::string& reply = replies[std::size_t(n)];
        std::memcpy(filled.buffer.data(), reply.data(), reply.size());
        filled.dispatcher.DispatchDatagram(filled.buffer.data(), int(reply.size()), addresses[std::size_t(n)],
                                           "27910");
        if (++n == servers) n = 0;
    }
    if (filled.table.size() != std::size_t(servers)) state.SkipWithError("a reply was not merged");
    state.SetItemsProcessed(int64_t(state.iterations()));
    state.SetLabel(std::to_string(replies[0].size()) + "-byte reply, 16 players");
}
BENCHMARK(BM_CorePerUnchangedReply)->Arg(10)->Arg(10'000);

}  // namespace
}  // namespace torvane
