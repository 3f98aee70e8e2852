// SPDX-License-Identifier: GPL-2.0-or-later
#include "discovery/internetsearch.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <exception>
#include <sstream>

#include "discovery/querysocket.h"
#include "net/wsockerr.h"
#include "platform/convert.h"

namespace torvane {

namespace {

constexpr int kLargestRate = 1'000'000;
// The pacing tick while queries wait to leave, and while only answers are
// awaited. Each tick sends what the rate allows since the last: at 1,000 per
// second four queries leave together, a few microseconds apart, which no
// router minds, and the program wakes a quarter as often as with a tick per
// query (a wake-up costs more than the sends).
constexpr uint32_t kSendTickMs = 4;
constexpr uint32_t kWaitTickMs = 20;
// A tick that comes late sends what it missed, but never more than this
// share of a second's queries at once.
constexpr int kBurstDivisor = 50;

int64_t Ms(int64_t ticks) {
    return ticks / 10'000;
}

uint64_t KeyOf(const sockaddr_in& to) {
    return uint64_t{to.sin_addr.s_addr} << 16 | ntohs(to.sin_port);
}

bool IsPortText(const std::string& text) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const int port = std::stoi(text);
    return port >= 1 && port <= 65535;
}

}  // namespace

std::vector<QueryTarget> ParseServerList(const std::string& text, const std::string& default_port,
                                         std::vector<std::string>* rejected) {
    std::vector<QueryTarget> targets;
    std::istringstream words(text);
    std::string word;
    while (words >> word) {
        QueryTarget target{true, word, default_port};
        if (const auto colon = word.rfind(':'); colon != std::string::npos) {
            target.Address = word.substr(0, colon);
            target.Port = word.substr(colon + 1);
        }
        if (target.Address.empty() || !IsPortText(target.Port)) {
            if (rejected) rejected->push_back(word);
            continue;
        }
        targets.push_back(std::move(target));
    }
    return targets;
}

int QueryRatePerSecond(const std::string& text) {
    return static_cast<int>(std::clamp<int64_t>(StrToIntDef(text, kDefaultQueryRate), 1, kLargestRate));
}

InternetSearch::InternetSearch(MessageLoop& loop, DatagramDispatcher& dispatcher,
                               const InternetSettings& settings, const Clock& clock,
                               std::function<void(const std::string&)> report, Timing timing)
    : dispatcher_(dispatcher),
      settings_(settings),
      clock_(clock),
      report_(std::move(report)),
      timing_(timing),
      socket_(loop, clock),
      tick_(loop) {
    tick_.SetEnabled(false);
    tick_.SetOnTimer([this] { Tick(); });
    socket_.SetReceiveStamps(true);
    socket_.OnDataAvailable = [this](TCustomWSocket&, uint16_t) { Receive(); };
}

InternetSearch::~InternetSearch() {
    socket_.OnDataAvailable = nullptr;
}

std::size_t InternetSearch::MasterListSize(const std::string& name) const {
    const auto found = masters_.find(name);
    return found == masters_.end() ? 0 : found->second.list.size();
}

void InternetSearch::Report(const std::string& text) {
    if (text == last_report_) return;
    last_report_ = text;
    if (report_) report_(text);
}

bool InternetSearch::OpenSocket() {
    if (socket_.State() != wsClosed) return true;
    try {
        socket_.SetAddr("0.0.0.0");
        socket_.SetProto("udp");
        socket_.SetPort("0");
        if (socket_.Listen() != 0) throw ESocketException("ERROR (" + IntToStr(socket_.LastError()) + ")");
    } catch (const std::exception& e) {
        Report(e.what());
        return false;
    }
    EnlargeReceiveBuffer(socket_.HSocket());
    return true;
}

bool InternetSearch::Resolve(const QueryTarget& target, sockaddr_in& to, const std::string& what) {
    auto found = resolved_.find(target.Address);
    if (found == resolved_.end()) {
        try {
            found = resolved_.emplace(target.Address, WSocketResolveHost(target.Address)).first;
        } catch (const std::exception&) {
            // The socket layer's text speaks of its own step; the user named
            // a server.
            Report("cannot find " + what + " '" + target.Address + "'");
            return false;
        }
    }
    to = {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = found->second;
    to.sin_port = htons(static_cast<uint16_t>(std::stoi(target.Port)));
    return true;
}

void InternetSearch::SyncMasters() {
    std::map<std::string, Master> kept;
    for (const QueryTarget& target : ParseServerList(settings_.Masters(), kDefaultMasterPort)) {
        const std::string name = target.Address + ":" + target.Port;
        if (kept.count(name) != 0) continue;
        auto found = masters_.find(name);
        if (found != masters_.end()) {
            kept.emplace(name, std::move(found->second));
            continue;
        }
        Master master;
        master.target = target;
        if (!Resolve(target, master.to, "master server")) continue;
        kept.emplace(name, std::move(master));
    }
    masters_ = std::move(kept);
}

void InternetSearch::AskMaster(Master& master, int64_t now) {
    if (master.state == MasterState::Idle) {
        master.state = MasterState::Waiting;
        master.asked_at = now;
        master.queries = 0;
    }
    ++master.queries;
    master.last_query = now;
    socket_.SendTo(master.to, MasterQuery.data(), static_cast<int>(MasterQuery.size()));
}

void InternetSearch::AddTarget(const sockaddr_in& to, const std::string& port_text, ServerSource source) {
    const auto [found, added] = index_.emplace(KeyOf(to), targets_.size());
    if (!added) {
        Target& known = targets_[found->second];
        if (source < known.source) known.source = source;
        return;
    }
    Target target;
    target.to = to;
    target.port_text = port_text;
    target.source = source;
    targets_.push_back(std::move(target));
    to_send_.push_back(targets_.size() - 1);
}

void InternetSearch::StartSearch() {
    const int64_t now = clock_.SteadyTicks();
    // A search still under way is dropped: its servers are asked again now.
    targets_.clear();
    index_.clear();
    to_send_.clear();
    outstanding_.clear();
    answered_ = 0;
    queries_sent_ = 0;
    rate_ = QueryRatePerSecond(settings_.QueryRate());
    pace_start_ = now;
    paced_ = 0;
    last_send_ = now;
    // Names are looked up again as often as masters are asked, so a server
    // that moved is followed within minutes.
    if (resolved_at_ == 0 || Ms(now - resolved_at_) >= timing_.master_reask_ms) {
        resolved_.clear();
        resolved_at_ = now;
    }

    SyncMasters();
    unresolved_.clear();
    for (const QueryTarget& favourite : ParseServerList(settings_.Favorites(), "27910")) {
        sockaddr_in to{};
        if (Resolve(favourite, to, "server"))
            AddTarget(to, favourite.Port, ServerSource::Favourite);
        else
            unresolved_.push_back(favourite);
    }
    for (auto& [name, master] : masters_) {
        for (const ServerAddress& server : master.list.Servers()) {
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_addr.s_addr = server.address;
            to.sin_port = htons(server.port);
            AddTarget(to, IntToStr(server.port), ServerSource::Master);
        }
    }
    const bool has_masters = !masters_.empty();
    if (targets_.empty() && !has_masters) {
        busy_ = false;
        tick_.SetEnabled(false);
        return;
    }
    if (!OpenSocket()) {
        busy_ = false;
        return;
    }
    for (auto& [name, master] : masters_) {
        if (master.state == MasterState::Idle &&
            (master.asked_at == 0 || Ms(now - master.asked_at) >= timing_.master_reask_ms))
            AskMaster(master, now);
    }
    busy_ = true;
    SendPaced(now);
    tick_.SetInterval(to_send_.empty() ? kWaitTickMs : kSendTickMs);
    tick_.SetEnabled(true);
    CheckFinished(now);
}

void InternetSearch::Tick() {
    const int64_t now = clock_.SteadyTicks();
    TickMasters(now);
    QueueRetries(now);
    SendPaced(now);
    const uint32_t interval = to_send_.empty() ? kWaitTickMs : kSendTickMs;
    if (tick_.Interval() != interval) tick_.SetInterval(interval);
    CheckFinished(now);
}

void InternetSearch::TickMasters(int64_t now) {
    for (auto& [name, master] : masters_) {
        if (master.state == MasterState::Waiting && Ms(now - master.last_query) >= timing_.master_retry_ms) {
            if (master.queries < timing_.master_queries) {
                AskMaster(master, now);
            } else {
                master.state = MasterState::Idle;
                Report("Master server " + name + " did not answer");
            }
        } else if (master.state == MasterState::Receiving &&
                   Ms(now - master.last_datagram) >= timing_.master_tail_ms) {
            master.state = MasterState::Idle;
        }
    }
}

void InternetSearch::QueueRetries(int64_t now) {
    // The queries left in order, so the oldest come first.
    while (!outstanding_.empty()) {
        Target& target = targets_[outstanding_.front()];
        if (target.answered) {
            outstanding_.pop_front();
            continue;
        }
        const int64_t age = Ms(now - target.sent);
        if (target.queries < timing_.server_queries) {
            if (age < timing_.retry_ms) break;
            to_send_.push_back(outstanding_.front());
        } else if (age < timing_.window_ms) {
            break;
        }
        outstanding_.pop_front();
    }
}

void InternetSearch::SendPaced(int64_t now) {
    if (to_send_.empty()) return;
    // What the rate allows since pacing began, less what has left; a late
    // tick may catch up a little, never a whole second at once.
    const int64_t due = (now - pace_start_) * rate_ / 10'000'000 + 1;
    const int64_t burst = std::max(1, rate_ / kBurstDivisor);
    if (due - paced_ > burst) paced_ = due - burst;
    while (!to_send_.empty() && paced_ < due) {
        const std::size_t index = to_send_.front();
        Target& target = targets_[index];
        if (target.answered) {
            to_send_.pop_front();
            continue;
        }
        // Stamped before it leaves: a reply can never seem to come back
        // sooner than it did.
        const int64_t sent = clock_.SteadyTicks();
        if (socket_.SendTo(target.to, StatusQuery.data(), static_cast<int>(StatusQuery.size())) < 0 &&
            socket_.LastError() == kWsaEwouldblock)
            return;  // no room now: the next tick tries again
        to_send_.pop_front();
        target.sent = sent;
        ++target.queries;
        ++queries_sent_;
        ++paced_;
        last_send_ = sent;
        outstanding_.push_back(index);
    }
}

void InternetSearch::Receive() {
    sockaddr_in from{};
    int from_length = sizeof from;
    const int length = socket_.ReceiveFrom(buffer_.data(), kMaxReceiveLength, from, from_length);
    if (length < 0) return;
    const int64_t now = clock_.SteadyTicks();
    for (auto& [name, master] : masters_) {
        if (master.to.sin_addr.s_addr == from.sin_addr.s_addr && master.to.sin_port == from.sin_port) {
            MasterDatagram(master, length, now);
            return;
        }
    }
    ReplyOrigin origin;
    origin.arrived = socket_.LastArrivalTicks();
    // A datagram from anywhere else is a stranger's, named by its source
    // port as a socket of its own would name it.
    origin.source = ServerSource::Master;
    std::string port_text;
    const auto found = index_.find(KeyOf(from));
    if (found != index_.end()) {
        Target& target = targets_[found->second];
        port_text = target.port_text;
        origin.sent = target.sent;
        origin.source = target.source;
        if (!target.answered && ClassifyDatagram(buffer_.data(), length) == DatagramKind::StatusReply) {
            target.answered = true;
            ++answered_;
        }
    } else {
        port_text = IntToStr(ntohs(from.sin_port));
    }
    try {
        dispatcher_.DispatchDatagram(buffer_.data(), length, DottedAddress(from.sin_addr.s_addr), port_text,
                                     origin);
    } catch (...) {
        // A malformed reply is dropped, as every socket's receive loop drops it.
    }
    CheckFinished(now);
}

void InternetSearch::MasterDatagram(Master& master, int length, int64_t now) {
    // Outside its window a master's datagram is no answer to anything.
    if (master.state == MasterState::Idle || !IsMasterReply(buffer_.data(), length)) return;
    if (master.state == MasterState::Waiting) {
        // A fresh answer replaces the list kept from the last one.
        master.list.Clear();
        master.state = MasterState::Receiving;
    }
    master.last_datagram = now;
    const std::size_t before = master.list.size();
    master.list.Merge(buffer_.data(), length);
    const auto& servers = master.list.Servers();
    for (std::size_t i = before; i < servers.size(); ++i) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = servers[i].address;
        to.sin_port = htons(servers[i].port);
        AddTarget(to, IntToStr(servers[i].port), ServerSource::Master);
    }
    if (busy_ && !to_send_.empty() && tick_.Interval() != kSendTickMs) tick_.SetInterval(kSendTickMs);
    SendPaced(now);
}

bool InternetSearch::Finished(int64_t now) const {
    for (const auto& [name, master] : masters_)
        if (master.state != MasterState::Idle) return false;
    if (answered_ == targets_.size()) return true;
    if (!to_send_.empty()) return false;
    // Every silent server has had its last query; the search waits for the
    // last one that left.
    for (std::size_t index : outstanding_)
        if (!targets_[index].answered && targets_[index].queries < timing_.server_queries) return false;
    return Ms(now - last_send_) >= timing_.window_ms;
}

void InternetSearch::CheckFinished(int64_t now) {
    if (!busy_ || !Finished(now)) return;
    busy_ = false;
    tick_.SetEnabled(false);
    if (OnIdle) OnIdle();
}

}  // namespace torvane
