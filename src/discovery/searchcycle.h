// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "discovery/dispatch.h"
#include "discovery/hosttable.h"
#include "discovery/hostview.h"
#include "discovery/searchstate.h"
#include "discovery/statusquery.h"
#include "model/numbertext.h"
#include "platform/clock.h"

namespace torvane {

// A UDP socket component as the search cycle drives it. The owner routes the
// socket's session-connected, data-available and error events to
// SearchCycle::SessionConnected, DataAvailable and SocketError.
class SearchSocket {
public:
    virtual ~SearchSocket() = default;
    virtual bool IsClosed() const = 0;
    virtual bool IsConnected() const = 0;
    // Sets the address, protocol "udp" and port, then opens the socket. A
    // datagram socket opens at once: its session-connected event runs before
    // this returns. An address that cannot be resolved throws.
    virtual void Connect(const std::string& address, const std::string& port) = 0;
    // Binds to `address`:`port` to receive.
    virtual void Listen(const std::string& address, const std::string& port) = 0;
    virtual void Send(const char* data, int length) = 0;
    virtual void Close() = 0;
    virtual int LastError() const = 0;
    // The port text the socket was configured with.
    virtual std::string PortText() const = 0;
    // Reads one datagram of at most `size` bytes; the sender's IPv4 address
    // comes back in network order. Negative when nothing could be read.
    virtual int ReceiveFrom(char* buffer, int size, uint32_t& source) = 0;
    // When the datagram last read arrived, in steady-clock ticks; 0 when
    // the socket cannot tell.
    virtual int64_t LastArrivalTicks() const { return 0; }
};

// A window timer as the search cycle drives it; the owner calls
// Timer1Timer and BroadcastEnd from the ticks.
class SearchTimer {
public:
    virtual ~SearchTimer() = default;
    virtual uint32_t Interval() const = 0;
    // A different interval restarts a running timer's period; 0 never ticks.
    virtual void SetInterval(uint32_t ms) = 0;
    virtual bool Enabled() const = 0;
    // Enabling a running timer keeps its phase.
    virtual void SetEnabled(bool enabled) = 0;
};

// The servers beyond the LAN and its internet-server sockets: favourites and
// master-listed servers, asked along with every search.
class RemoteServers {
public:
    virtual ~RemoteServers() = default;
    virtual void StartSearch() = 0;
    // Whether queries or master answers are still outstanding.
    virtual bool Busy() const = 0;
    // Runs when a busy search of these servers ends.
    std::function<void()> OnIdle;
};

// One place to query: a broadcast port or an internet server.
struct QueryTarget {
    bool Enabled = false;
    std::string Address;
    std::string Port;
};

// The live settings the search reads at the moment of use.
class SearchSettings {
public:
    virtual ~SearchSettings() = default;
    // The port of the always-used broadcast socket.
    virtual std::string Port() const = 0;
    // Extra broadcast port `n` (0 for the second broadcast socket, ...);
    // its Address is not read.
    virtual QueryTarget ExtraPort(std::size_t n) const = 0;
    // Internet server `n` (0 for the first).
    virtual QueryTarget InternetServer(std::size_t n) const = 0;
    // Seconds between two searches.
    virtual NumberText BCInterval() const = 0;
    virtual bool Broadcast() const = 0;
};

// Where the summary of a finished search goes (the tray icon's tip); the
// rest of what the search shows goes through the status line, the log and
// the host table's window.
class SearchView {
public:
    virtual ~SearchView() = default;
    virtual void SetTrayTip(const std::string& text) = 0;
};

// What the search asks of the peer protocol and the user table.
class SearchPeers {
public:
    virtual ~SearchPeers() = default;
    // Calendar seconds when this copy last received a status request
    // ("TVNSTAT"), its own included.
    virtual int64_t LastStatusRequestTime() const = 0;
    virtual void SendStatusRequest() = 0;
    virtual int UserCount() const = 0;
    // Drops users that have been silent too long.
    virtual void RefreshUsers() = 0;
};

// The sockets a search uses. `broadcast[0]` is the broadcast socket that
// stays open between searches (and carries the peer messages); the others
// broadcast on the extra ports and are closed at the end of every window,
// like the internet-server sockets. `listen` receives what is broadcast to
// the game port.
struct SearchSockets {
    std::vector<SearchSocket*> broadcast;
    std::vector<SearchSocket*> internet;
    SearchSocket* listen = nullptr;
};

inline constexpr const char* kBroadcastAddress = "255.255.255.255";
inline constexpr const char* kListenAddress = "0.0.0.0";
inline constexpr const char* kListenPort = "27910";
inline constexpr uint32_t kSearchWindowMs = 2000;
inline constexpr uint32_t kDefaultIntervalMs = 30000;
// Copies of Torvane are asked to announce themselves at most this often.
inline constexpr int64_t kStatusRequestSpacingSeconds = 10;

// The interval timer's period for a number of seconds (the BCInterval
// setting): throws EConvertError for a text that is no number; a negative
// number never ticks, and a huge one is held at the timer's longest period.
uint32_t IntervalMs(const NumberText& seconds);

// One search: the status query goes out on every configured socket, replies
// are merged as they come, and the window closes 2 seconds later.
class SearchCycle {
public:
    struct Parts {
        SearchState& search;
        HostTable& hosts;
        DatagramDispatcher& dispatcher;
        SearchSockets sockets;
        SearchTimer& timer1;
        SearchTimer& broadcast_timer;
        const SearchSettings& settings;
        HostWindow& window;  // the icon
        SearchView& tray;
        SearchPeers& peers;
        Services services;
        const Clock& clock;
        // Favourites and master-listed servers; none when null.
        RemoteServers* remote = nullptr;
    };

    explicit SearchCycle(Parts parts);

    // Starts listening for datagrams broadcast to the game port.
    void OpenListenSocket();

    void StartSearch();
    void Timer1Timer();
    // The end of the 2-second window; when the servers beyond the LAN are
    // still being asked, the search ends once they are done.
    void BroadcastEnd();
    // Runs at the end of every search, after its summary.
    std::function<void()> OnSearchEnd;

    // Socket events.
    void SessionConnected(SearchSocket& sender);
    void DataAvailable(SearchSocket& sender);
    void SocketError(SearchSocket& sender);

    // "3 hosts, 7 players and 2 users".
    std::string Summary() const;

private:
    void OpenAndQuery(SearchSocket& socket, const std::string& address, const std::string& port);
    void QueryBroadcastSocket();
    void SendQuery(SearchSocket& socket);
    bool IsInternetSocket(const SearchSocket& socket) const;
    void ShowIdleIcon();
    void EndSearch();

    Parts p_;
    ReceiveBuffer buffer_{};
    // The failure last logged for each socket whose address did not resolve.
    std::map<const SearchSocket*, std::string> unresolved_;
    // The window has ended while the remote servers were still being asked.
    bool end_pending_ = false;
    // When each socket's query last left, in steady-clock ticks.
    std::map<const SearchSocket*, int64_t> sent_;
};

}  // namespace torvane
