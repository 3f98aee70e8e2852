// SPDX-License-Identifier: GPL-2.0-or-later
#include "peers/peergate.h"

#include <algorithm>

#include "model/peertags.h"

namespace torvane {

namespace {
constexpr int64_t kTicksPerMs = 10'000;
constexpr double kTicksPerSecond = 10'000'000.0;
}  // namespace

double TokenBucket::Level(int64_t now_ticks) const {
    // A clock that went back refills nothing and takes nothing away.
    const int64_t elapsed = std::max<int64_t>(0, now_ticks - ticks_);
    return std::min(burst_, tokens_ + per_second_ * static_cast<double>(elapsed) / kTicksPerSecond);
}

bool TokenBucket::Take(int64_t now_ticks) {
    tokens_ = Level(now_ticks);
    ticks_ = std::max(ticks_, now_ticks);
    if (tokens_ < 1) return false;
    tokens_ -= 1;
    return true;
}

PeerGate::PeerGate(const Clock& clock)
    : clock_(clock),
      all_(kAllPerSecond, kAllBurst, clock.SteadyTicks()),
      crowd_(kPerAddressPerSecond, kPerAddressBurst, clock.SteadyTicks()) {}

TokenBucket& PeerGate::BucketOf(const std::string& address, int64_t now) {
    if (const auto found = by_address_.find(address); found != by_address_.end()) return found->second;
    if (by_address_.size() >= kMaxAddresses) {
        // Senders quiet long enough to have their whole budget back lose
        // nothing by being forgotten.
        std::erase_if(by_address_, [&](const auto& entry) { return entry.second.Full(now); });
        if (by_address_.size() >= kMaxAddresses) return crowd_;
    }
    return by_address_.try_emplace(address, kPerAddressPerSecond, kPerAddressBurst, now).first->second;
}

bool PeerGate::Admit(const std::string& address) {
    const int64_t now = clock_.SteadyTicks();
    // The sender's own budget first: one loud sender must not use up
    // everybody's.
    return BucketOf(address, now).Take(now) && all_.Take(now);
}

PeerGate::Answer PeerGate::StatusRequest() {
    if (answer_due_) return Answer::kJoined;
    const int64_t now = clock_.SteadyTicks();
    if (!answered_ || now < answered_ticks_ || now - answered_ticks_ >= kAnswerSpacingMs * kTicksPerMs) {
        answered_ = true;
        answered_ticks_ = now;
        return Answer::kNow;
    }
    answer_due_ = true;
    return Answer::kLater;
}

uint32_t PeerGate::AnswerDelayMs() const {
    const int64_t since = std::max<int64_t>(0, clock_.SteadyTicks() - answered_ticks_) / kTicksPerMs;
    return static_cast<uint32_t>(std::max<int64_t>(1, kAnswerSpacingMs - since));
}

void PeerGate::Answered() {
    answer_due_ = false;
    answered_ = true;
    answered_ticks_ = clock_.SteadyTicks();
}

void GatedPeers::ReceiveChat(const char* data, int length, const std::string& address) {
    if (gate_.Admit(address)) peers_.ReceiveChat(data, length, address);
}

void GatedPeers::ReceiveInfo(const char* data, int length, const std::string& address) {
    if (gate_.Admit(address)) peers_.ReceiveInfo(data, length, address);
}

void GatedPeers::ReceiveChallenge(const char* data, int length, const std::string& address) {
    if (gate_.Admit(address)) peers_.ReceiveChallenge(data, length, address);
}

void GatedPeers::ReceiveStatusRequest(const char* data, int length, const std::string& address) {
    switch (gate_.StatusRequest()) {
        case PeerGate::Answer::kNow:
            peers_.ReceiveStatusRequest(data, length, address);
            break;
        case PeerGate::Answer::kLater:
            last_requester_ = address;
            timer_.Start(gate_.AnswerDelayMs());
            break;
        case PeerGate::Answer::kJoined:
            last_requester_ = address;
            break;
    }
}

void GatedPeers::AnswerTimerFired() {
    if (!gate_.AnswerDue()) return;
    gate_.Answered();
    // A status request carries nothing but its tag.
    peers_.ReceiveStatusRequest(kStatusRequestTag.data(), static_cast<int>(kStatusRequestTag.size()),
                                last_requester_);
}

}  // namespace torvane
