// SPDX-License-Identifier: GPL-2.0-or-later
#include "peers/peerprotocol.h"

#include "launcher/gamecommand.h"
#include "notify/log.h"
#include "platform/version.h"

namespace torvane {

namespace {
constexpr int kInvisible = 2;
constexpr int kTellAll = 0;

std::string Payload(const char* data, int length) {
    return ReadPayload(data, length < 0 ? 0 : static_cast<size_t>(length));
}
}  // namespace

PeerProtocol::PeerProtocol(const PeerSettings& settings, PeerHost& host, const Services& services,
                           BroadcastSender& sender, const ComputerName& computer_name, const Clock& clock,
                           UsersView& users_view, ChallengeListener& challenges)
    : settings_(settings),
      host_(host),
      services_(services),
      sender_(sender),
      computer_name_(computer_name),
      clock_(clock),
      users_window_(users_, users_view, *this, settings, host, clock),
      suggest_form_(host, services.busy, services.game),
      own_status_(services.busy.BusyChecked() ? PeerStatus::Busy : PeerStatus::Ready) {
    suggest_form_.Subscribe(challenges);
}

void PeerProtocol::SendStatusRequest() {
    sender_.SendIfConnected(kStatusRequestTag);
}

std::string PeerProtocol::StatusMessage(PeerStatus status) const {
    switch (status) {
        case PeerStatus::Busy:
            return settings_.BusyMessage();
        case PeerStatus::Playing:
            return settings_.PlayingMessage();
        default:
            return settings_.ReadyMessage();
    }
}

void PeerProtocol::SendInfo() {
    const int paranoia = settings_.Paranoia();
    if (paranoia == kInvisible) return;

    InfoFields fields;
    fields.Name = settings_.PlayerName();
    if (services_.game.IsGameRunning())
        own_status_ = PeerStatus::Playing;
    else
        own_status_ = services_.busy.BusyChecked() ? PeerStatus::Busy : PeerStatus::Ready;
    fields.Status = own_status_;
    fields.Message = StatusMessage(own_status_);
    fields.Skill = settings_.Skill();
    if (paranoia == kTellAll) {
        fields.Version = kTorvaneVersion;
        fields.ComputerName = computer_name_.Read();
    }
    sender_.SendIfConnected(BuildInfo(fields));
}

void PeerProtocol::SendChat(const std::string& text, char kind) {
    sender_.SendIfConnected(BuildChat(settings_.PlayerName(), kind, text));
}

void PeerProtocol::SendChallenge(const TQuakeServer& host) {
    // A port written with leading zeros or blanks goes out as its plain
    // number, which is all the receivers accept.
    const std::string port = PlainPortText(host.Port).value_or(host.Port);
    sender_.SendIfConnected(
        BuildChallenge({settings_.PlayerName(), host.HostName, host.Address, port, host.MapName}));
}

void PeerProtocol::ReceiveStatusRequest(const char*, int, const std::string&) {
    // Stamped even when this copy stays invisible, so that it too holds back
    // its own request while another copy's is fresh.
    last_status_request_time_ = clock_.CalendarSeconds();
    SendInfo();
}

void PeerProtocol::ReceiveInfo(const char* data, int length, const std::string& address) {
    if (length < static_cast<int>(kTagLength)) return;
    User user;
    user.Address = address;
    ParseInfo(Payload(data, length), user);
    user.LastSeen = clock_.CalendarSeconds();
    StoreUser(user);
    users_window_.Refresh();
}

void PeerProtocol::StoreUser(const User& user) {
    if (users_.Store(user)) return;
    // Full: make room from stale entries first; a new address that still
    // finds no room is not stored.
    users_.Expire(clock_.CalendarSeconds());
    users_.Store(user);
}

void PeerProtocol::ReceiveChat(const char* data, int length, const std::string&) {
    const auto line = ParseChat(Payload(data, length));
    if (!line) return;
    if (line->IsShout()) {
        // The log escapes what the texts carry; the status bar shows one
        // line as well.
        services_.status.SetStatusText(1, EscapeControls(line->Name) + " shouted");
        services_.log.AddLogLine(line->Name + " shouted \"" + line->Text + "\"");
        if (!services_.busy.BusyChecked() && !services_.game.IsGameRunning()) {
            services_.sounds.PlayEventSound(settings_.ShoutSound());
            if (settings_.ShoutPopUp()) users_window_.PopUp();
            host_.NoticeShout(EscapeControls(line->Name), EscapeControls(line->Text));
        }
    } else {
        services_.sounds.PlayEventSound(settings_.MessageSound());
    }
    users_window_.AddChatLine(line->Name, line->Text);
}

void PeerProtocol::ReceiveChallenge(const char* data, int length, const std::string& address) {
    // Our own challenge comes back with the broadcast: it is for the others.
    if (host_.IsOwnAddress(address)) return;
    // The order matters: asking for the game updates OwnStatus.
    if (services_.busy.BusyChecked()) return;
    if (services_.game.IsGameRunning()) return;
    if (own_status_ == PeerStatus::Playing) return;
    const auto challenge = ParseChallenge(Payload(data, length));
    if (!challenge) return;
    // Address and port end up on the game's command line: anything but a
    // plain port and the address of one host a game could reach is dropped
    // like a malformed challenge.
    if (!IsUnicastIPv4(challenge->Address) || !IsPortText(challenge->Port)) return;
    services_.sounds.PlayEventSound(settings_.SuggestSound());
    suggest_form_.Fill(*challenge);
    suggest_form_.Show();
    host_.NoticeChallenge(*challenge);
}

void PeerProtocol::Suggest1Click() {
    const auto row = host_.SelectedHostRow();
    if (!row || *row >= host_.HostCount()) return;
    own_status_ = PeerStatus::Playing;
    SendChallenge(host_.HostAt(*row));
    services_.game.LaunchGame(host_.HostAt(*row));
}

}  // namespace torvane
