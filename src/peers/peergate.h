// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "discovery/dispatch.h"
#include "platform/clock.h"

namespace torvane {

// A budget that refills at `per_second` up to `burst`.
class TokenBucket {
public:
    TokenBucket(double per_second, double burst, int64_t now_ticks)
        : per_second_(per_second), burst_(burst), tokens_(burst), ticks_(now_ticks) {}

    // Takes one token when there is one.
    bool Take(int64_t now_ticks);
    // Whether the bucket has refilled to its burst: a sender quiet long enough.
    bool Full(int64_t now_ticks) const { return Level(now_ticks) >= burst_; }

private:
    double Level(int64_t now_ticks) const;

    double per_second_;
    double burst_;
    double tokens_;
    int64_t ticks_;
};

// How much peer traffic is handled. A copy of Torvane sends a few datagrams
// a minute: an announcement when asked, a chat line when its user types one,
// a challenge now and then. Anyone on the network can send thousands a
// second, and each chat line, announcement or challenge costs the windows
// far more than reading it; so each sender address, and all of them
// together, get a budget, and what goes beyond it is dropped as it is read.
// Status requests are cheap to take but each answer is a broadcast to the
// whole network: they are answered at most once per kAnswerSpacingMs, a
// request within that time by one answer at its end.
class PeerGate {
public:
    static constexpr double kPerAddressPerSecond = 10;
    static constexpr double kPerAddressBurst = 20;
    static constexpr double kAllPerSecond = 300;
    // Room for every copy on a full network answering one status request.
    static constexpr double kAllBurst = 600;
    // Addresses tracked at one time; beyond, new ones share one budget.
    static constexpr std::size_t kMaxAddresses = 1024;
    static constexpr int64_t kAnswerSpacingMs = 250;

    explicit PeerGate(const Clock& clock);

    // Whether a chat line, announcement or challenge from `address` is
    // handled now.
    bool Admit(const std::string& address);

    enum class Answer { kNow, kLater, kJoined };
    // A status request heard now: answer it now, or start the wait for one
    // answer in AnswerDelayMs(), or nothing (that answer is due already).
    Answer StatusRequest();
    uint32_t AnswerDelayMs() const;
    bool AnswerDue() const { return answer_due_; }
    // The answer that was due has gone out.
    void Answered();

    std::size_t TrackedAddresses() const { return by_address_.size(); }

private:
    TokenBucket& BucketOf(const std::string& address, int64_t now);

    const Clock& clock_;
    TokenBucket all_;
    TokenBucket crowd_;  // the addresses beyond kMaxAddresses
    std::unordered_map<std::string, TokenBucket> by_address_;
    bool answered_ = false;
    int64_t answered_ticks_ = 0;
    bool answer_due_ = false;
};

// A one-shot timer for the delayed answer.
class AnswerTimer {
public:
    virtual ~AnswerTimer() = default;
    virtual void Start(uint32_t ms) = 0;
};

// The peer receivers behind the gate: what the dispatch hands over goes
// through to `peers` only within the budgets.
class GatedPeers final : public PeerReceiver {
public:
    GatedPeers(PeerReceiver& peers, const Clock& clock, AnswerTimer& timer)
        : peers_(peers), gate_(clock), timer_(timer) {}

    void ReceiveChat(const char* data, int length, const std::string& address) override;
    void ReceiveInfo(const char* data, int length, const std::string& address) override;
    void ReceiveStatusRequest(const char* data, int length, const std::string& address) override;
    void ReceiveChallenge(const char* data, int length, const std::string& address) override;

    // The answer timer has run out: the delayed answer goes out.
    void AnswerTimerFired();

    const PeerGate& Gate() const { return gate_; }

private:
    PeerReceiver& peers_;
    PeerGate gate_;
    AnswerTimer& timer_;
    std::string last_requester_;
};

}  // namespace torvane
