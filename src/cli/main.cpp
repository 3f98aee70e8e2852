// SPDX-License-Identifier: GPL-2.0-or-later
// torvane-query: runs one search on the local network, the given internet
// servers and the servers the given master servers list, and prints what
// answered. With a broadcast it waits for the whole search window; without
// one it ends as soon as every server it asked has answered, or when its last
// query is a window old. Exit status 0 when a server is listed, 1 when
// none is, 2 for a command line it cannot take.

#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "cli/queryoptions.h"
#include "cli/queryreport.h"
#include "discovery/querysocket.h"
#include "discovery/quiethost.h"
#include "discovery/searchsetup.h"
#include "net/messageloop.h"
#include "net/wsockerr.h"
#include "platform/clock.h"
#include "platform/version.h"

namespace torvane {
namespace {

void Complain(const std::string& text) {
    std::fprintf(stderr, "torvane-query: %s\n", text.c_str());
}

void ReportSocketError(int code) {
    std::fprintf(stderr, "ERROR (%d): %s\n", code, WSocketErrorDesc(code).c_str());
}

// Everything the search shows or asks of the rest of Torvane, for a program
// that only wants the final table: no windows, no sounds, no launches, no
// peers. Errors go to standard error.
class QueryHost final : public QuietHost,
                        public SearchView,
                        public SearchSettings,
                        public InternetSettings,
                        public SearchPeers,
                        public QuietPeers {
public:
    explicit QueryHost(const QueryOptions& options) : options_(options) {}

    // Only texts that are neither of the two search states are errors worth
    // telling; a socket's failure is told, with its description, by the
    // socket itself (see ReportingSockets).
    void SetStatusText(int panel, const std::string& text) override {
        if (panel == 0 && text != "Searching for local servers" && text != "Search complete" &&
            text.rfind("ERROR (", 0) != 0)
            Complain(text);
    }
    void SetTrayTip(const std::string&) override {}

    std::string Port() const override {
        return options_.ports.empty() ? kDefaultGamePort : options_.ports[0];
    }
    QueryTarget ExtraPort(std::size_t n) const override { return {true, "", options_.ports.at(n + 1)}; }
    QueryTarget InternetServer(std::size_t) const override { return {}; }
    NumberText BCInterval() const override { return NumberText(kIntervalField); }
    bool Broadcast() const override { return false; }
    std::string Masters() const override { return Words(options_.masters); }
    std::string Favorites() const override { return Words(options_.servers); }
    NumberText QueryRate() const override { return {kQueryRateField, std::to_string(options_.rate)}; }

    // Never asks other copies of Torvane to announce themselves.
    int64_t LastStatusRequestTime() const override { return INT64_MAX; }
    void SendStatusRequest() override {}
    int UserCount() const override { return 0; }
    void RefreshUsers() override {}

private:
    static std::string Words(const std::vector<QueryTarget>& targets) {
        std::string words;
        for (const QueryTarget& target : targets) words += target.Address + ":" + target.Port + " ";
        return words;
    }

    const QueryOptions& options_;
};

// The search's sockets, each telling its failure on standard error before
// it closes, as the search would.
class ReportingSockets final : public SocketMaker {
public:
    std::unique_ptr<CycleSocket> MakeSocket(MessageLoop& loop) override {
        auto socket = std::make_unique<QuerySocket>(loop);
        socket->SetErrorHandler([](QuerySocket& failed) {
            ReportSocketError(failed.LastError());
            failed.Close();
        });
        return socket;
    }
};

int RunQuery(const QueryOptions& options) {
    MessageLoop loop;
    loop.SetExceptionHandler([](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            Complain(e.what());
        }
    });

    QueryHost host(options);
    ReportingSockets sockets;
    SearchShape shape;
    shape.broadcast_sockets = options.ports.size();
    // The servers given on the command line are asked as favourites, all
    // through the internet search's one socket, not through four of their own.
    shape.internet_sockets = 0;
    shape.listen = false;
    shape.window_ms = options.window_ms;
    shape.repeats = false;
    SearchSetup setup({.loop = loop,
                       .clock = SystemClock::Instance(),
                       .sockets = sockets,
                       .services = host.AsServices(),
                       .window = host,
                       .tray = host,
                       .host_settings = host,
                       .settings = host,
                       .internet_settings = host,
                       .peers = host,
                       .peer_receiver = host,
                       .report = Complain},
                      shape);
    setup.search.FirstSearch = false;
    // One query lists every server it hears in its one window, however
    // many one host runs; only the long-running programs keep a table that
    // a single sender must not fill.
    setup.hosts.SetMaxServersPerSender(static_cast<int>(HostTable::kMaxServers));
    SearchCycle& cycle = setup.cycle;
    bool ended = false;
    cycle.OnSearchEnd = [&] {
        ended = true;
        loop.Quit();
    };

    cycle.StartSearch();
    // Without a broadcast nobody else can answer: the search ends once the
    // servers asked are done.
    if (options.ports.empty()) cycle.BroadcastEnd();
    if (!ended) loop.Run();

    const std::vector<TQuakeServer>& listed = setup.hosts.Records();
    if (options.json)
        WriteJsonReport(listed, stdout, setup.internet.Unresolved());
    else
        WriteTextReport(listed, stdout);
    // A script can tell an empty answer from a listed one.
    return listed.empty() ? 1 : 0;
}

}  // namespace
}  // namespace torvane

int main(int argc, char** argv) {
    std::string error;
    const auto options = torvane::ParseQueryOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        torvane::Complain(error);
        return 2;
    }
    if (options->help) {
        std::fputs(torvane::QueryUsage().c_str(), stdout);
        return 0;
    }
    if (options->version) {
        std::printf("torvane-query %s\n", torvane::kTorvaneVersion);
        return 0;
    }
    try {
        return torvane::RunQuery(*options);
    } catch (const std::exception& e) {
        torvane::Complain(e.what());
        return 1;
    }
}
