// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "discovery/dispatch.h"
#include "discovery/masterlist.h"
#include "discovery/searchcycle.h"
#include "discovery/statusquery.h"
#include "net/messageloop.h"
#include "net/wsocket.h"
#include "platform/clock.h"

namespace torvane {

// Reads a blank-separated list of HOST or HOST:PORT words; a word without a
// port takes `default_port`. A word whose port is no number from 1 to 65535
// is left out and named in `rejected`.
std::vector<QueryTarget> ParseServerList(const std::string& text, const std::string& default_port,
                                         std::vector<std::string>* rejected = nullptr);

// Status queries per second for a QueryRate text: the default for a text that
// is no number, at least 1.
inline constexpr int kDefaultQueryRate = 1000;
int QueryRatePerSecond(const std::string& text);

// The settings the internet search reads at the moment of use.
class InternetSettings {
public:
    virtual ~InternetSettings() = default;
    // Blank-separated HOST or HOST:PORT (27900 when left out).
    virtual std::string Masters() const = 0;
    // Blank-separated HOST:PORT (27910 when left out).
    virtual std::string Favorites() const = 0;
    // Status queries per second, as text.
    virtual std::string QueryRate() const = 0;
};

// The servers beyond the LAN: the favourites, asked at every search, and the
// servers the master servers list, each master asked at most once per five
// minutes and its list kept in between. Everything goes through one UDP
// socket, so a thousand servers cost one descriptor; every reply takes the
// same road as on any other socket: the datagram dispatch, the reply parser
// and the host table.
//
// Polite: each server gets one status query per search, and a second and
// third only while it stays silent; queries leave at most QueryRate per
// second. A search of these servers lasts until every one has answered, or
// until the last query is two seconds old. A master that does not answer is
// asked again after two and four seconds, then reported as silent.
class InternetSearch final : public RemoteServers {
public:
    struct Timing {
        int64_t master_retry_ms = 2000;  // between the asks of a silent master
        int master_queries = 3;          // asks before a master counts as silent
        int64_t master_tail_ms = 1000;   // an answer's last datagram to its window's end
        int64_t master_reask_ms = 300'000;
        int64_t retry_ms = 1000;   // a server's query to its next, while silent
        int server_queries = 3;    // the first query and at most two more
        int64_t window_ms = 2000;  // the last query to the end of the search
    };

    // `report` tells the user about a silent master or a name that does not
    // resolve; each distinct text once in a row.
    InternetSearch(MessageLoop& loop, DatagramDispatcher& dispatcher, const InternetSettings& settings,
                   const Clock& clock, std::function<void(const std::string&)> report, Timing timing);
    InternetSearch(MessageLoop& loop, DatagramDispatcher& dispatcher, const InternetSettings& settings,
                   const Clock& clock, std::function<void(const std::string&)> report)
        : InternetSearch(loop, dispatcher, settings, clock, std::move(report), Timing{}) {}
    ~InternetSearch() override;
    InternetSearch(const InternetSearch&) = delete;
    InternetSearch& operator=(const InternetSearch&) = delete;

    void StartSearch() override;
    bool Busy() const override { return busy_; }

    // The current search's servers, answers and queries sent.
    std::size_t TargetCount() const { return targets_.size(); }
    std::size_t AnsweredCount() const { return answered_; }
    std::size_t QueriesSent() const { return queries_sent_; }
    // The favourites whose names did not resolve in the current search.
    const std::vector<QueryTarget>& Unresolved() const { return unresolved_; }
    // The servers a master listed in its last answer, by its word in the
    // settings.
    std::size_t MasterListSize(const std::string& name) const;

private:
    enum class MasterState { Idle, Waiting, Receiving };
    struct Master {
        QueryTarget target;
        sockaddr_in to{};
        MasterList list;
        MasterState state = MasterState::Idle;
        int64_t asked_at = 0;  // the first query of its last ask; 0 never
        int64_t last_query = 0;
        int64_t last_datagram = 0;
        int queries = 0;
    };
    struct Target {
        sockaddr_in to{};
        std::string port_text;
        ServerSource source = ServerSource::Master;
        int64_t sent = 0;
        int queries = 0;
        bool answered = false;
    };

    bool OpenSocket();
    void SyncMasters();
    // Looks a name up once; tells the user about one that does not resolve.
    bool Resolve(const QueryTarget& target, sockaddr_in& to, const std::string& what);
    void Report(const std::string& text);
    void AskMaster(Master& master, int64_t now);
    void AddTarget(const sockaddr_in& to, const std::string& port_text, ServerSource source);
    void Tick();
    void TickMasters(int64_t now);
    void QueueRetries(int64_t now);
    void SendPaced(int64_t now);
    void Receive();
    void MasterDatagram(Master& master, int length, int64_t now);
    bool Finished(int64_t now) const;
    void CheckFinished(int64_t now);

    DatagramDispatcher& dispatcher_;
    const InternetSettings& settings_;
    const Clock& clock_;
    std::function<void(const std::string&)> report_;
    Timing timing_;
    TWSocket socket_;
    WindowTimer tick_;

    std::map<std::string, Master> masters_;  // by the word in the settings
    std::map<std::string, uint32_t> resolved_;
    int64_t resolved_at_ = 0;  // when resolved_ was last emptied
    std::string last_report_;
    std::vector<QueryTarget> unresolved_;

    std::vector<Target> targets_;
    std::unordered_map<uint64_t, std::size_t> index_;
    std::deque<std::size_t> to_send_;      // waiting for their next query
    std::deque<std::size_t> outstanding_;  // sent, in the order they left
    std::size_t answered_ = 0;
    std::size_t queries_sent_ = 0;
    int rate_ = kDefaultQueryRate;
    int64_t pace_start_ = 0;
    int64_t paced_ = 0;  // queries sent since pace_start_
    int64_t last_send_ = 0;
    bool busy_ = false;
    ReceiveBuffer buffer_;  // no need to clear: every read fills what it uses
};

}  // namespace torvane
