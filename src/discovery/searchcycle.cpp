// SPDX-License-Identifier: GPL-2.0-or-later
#include "discovery/searchcycle.h"

#include <exception>

#include "discovery/trayicon.h"
#include "platform/convert.h"

namespace torvane {

uint32_t IntervalMs(const NumberText& interval) {
    const int64_t seconds = interval.Value();
    const int64_t ms = seconds < 0 ? 0 : seconds * 1000;
    return ms > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(ms);
}

SearchCycle::SearchCycle(Parts parts) : p_(std::move(parts)) {
    if (p_.remote) {
        p_.remote->OnIdle = [this] {
            if (!end_pending_) return;
            end_pending_ = false;
            EndSearch();
        };
    }
}

void SearchCycle::OpenListenSocket() {
    try {
        p_.sockets.listen->Listen(kListenAddress, kListenPort);
    } catch (const std::exception& e) {
        // The socket reports bind failures through its error event; only a
        // failure outside it lands here. Either way the program runs on.
        p_.services.status.SetStatusText(0, e.what());
    }
}

void SearchCycle::StartSearch() {
    p_.search.SearchStart = p_.clock.SteadyTicks();
    p_.search.WindowOpen = true;
    const int64_t now_seconds = p_.clock.CalendarSeconds();
    p_.hosts.MarkAllUnanswered();
    p_.services.status.SetStatusText(0, "Searching for local servers");
    p_.services.status.SetStatusText(1, "");

    // A search of the remote servers still under way is started afresh; its
    // end is this search's. It goes first: looking their names up may take
    // seconds, and the replies to the broadcast would wait that long unread.
    end_pending_ = false;
    if (p_.remote) p_.remote->StartSearch();

    QueryBroadcastSocket();
    for (std::size_t i = 1; i < p_.sockets.broadcast.size(); ++i) {
        const QueryTarget target = p_.settings.ExtraPort(i - 1);
        if (target.Enabled && p_.sockets.broadcast[i]->IsClosed())
            OpenAndQuery(*p_.sockets.broadcast[i], kBroadcastAddress, target.Port);
    }
    for (std::size_t i = 0; i < p_.sockets.internet.size(); ++i) {
        const QueryTarget target = p_.settings.InternetServer(i);
        if (target.Enabled && p_.sockets.internet[i]->IsClosed())
            OpenAndQuery(*p_.sockets.internet[i], target.Address, target.Port);
    }

    // A window that is already open keeps its end: enabling keeps the phase.
    p_.broadcast_timer.SetEnabled(true);
    p_.timer1.SetEnabled(true);
    p_.search.SearchChanged = false;
    p_.search.ResetPlayerCount();

    if (now_seconds - p_.peers.LastStatusRequestTime() > kStatusRequestSpacingSeconds)
        p_.peers.SendStatusRequest();
}

void SearchCycle::QueryBroadcastSocket() {
    if (p_.sockets.broadcast.empty()) return;
    SearchSocket& socket = *p_.sockets.broadcast[0];
    if (socket.IsClosed())
        OpenAndQuery(socket, kBroadcastAddress, p_.settings.Port());
    else if (socket.IsConnected())
        SendQuery(socket);
}

void SearchCycle::SendQuery(SearchSocket& socket) {
    // Stamped before it leaves: a reply can never seem to come back sooner
    // than it did.
    sent_[&socket] = p_.clock.SteadyTicks();
    socket.Send(StatusQuery.data(), static_cast<int>(StatusQuery.size()));
}

bool SearchCycle::IsInternetSocket(const SearchSocket& socket) const {
    for (const SearchSocket* internet : p_.sockets.internet)
        if (internet == &socket) return true;
    return false;
}

void SearchCycle::OpenAndQuery(SearchSocket& socket, const std::string& address, const std::string& port) {
    // The query itself goes out from the session-connected event. A server
    // whose name cannot be resolved is reported and skipped, so that one bad
    // name never stops the rest of the search. It is shown at every search
    // but logged once, until it resolves or the failure changes (another
    // name): at the default interval the log would otherwise grow by
    // thousands of lines a day.
    try {
        socket.Connect(address, port);
        unresolved_.erase(&socket);
    } catch (const std::exception& e) {
        p_.services.status.SetStatusText(0, e.what());
        std::string& logged = unresolved_[&socket];
        if (logged != e.what()) {
            logged = e.what();
            p_.services.log.AddLogLine(logged);
        }
        if (!socket.IsClosed()) socket.Close();
    }
}

void SearchCycle::Timer1Timer() {
    // A text that is no number throws here, before any search starts; the
    // timer keeps running and the next tick tries again.
    const uint32_t interval = IntervalMs(p_.settings.BCInterval());
    if (interval != p_.timer1.Interval()) p_.timer1.SetInterval(interval);
    if (p_.settings.Broadcast()) StartSearch();
}

void SearchCycle::BroadcastEnd() {
    p_.broadcast_timer.SetEnabled(false);
    if (p_.remote && p_.remote->Busy()) {
        end_pending_ = true;
        return;
    }
    EndSearch();
}

void SearchCycle::EndSearch() {
    p_.search.WindowOpen = false;
    p_.search.AutoLaunched = false;
    p_.services.status.SetStatusText(0, "Search complete");
    for (std::size_t i = 1; i < p_.sockets.broadcast.size(); ++i)
        if (!p_.sockets.broadcast[i]->IsClosed()) p_.sockets.broadcast[i]->Close();
    for (SearchSocket* socket : p_.sockets.internet)
        if (!socket->IsClosed()) socket->Close();

    p_.hosts.CountMisses();
    const std::string summary = Summary();
    p_.tray.SetTrayTip(summary);
    p_.hosts.SearchEnded(summary);
    p_.search.FirstSearch = false;
    p_.peers.RefreshUsers();
    if (p_.services.game.IsGameRunning()) p_.services.status.SetStatusText(1, "Running quake detected");
    if (!p_.search.SearchChanged) ShowIdleIcon();
    if (OnSearchEnd) OnSearchEnd();
}

void SearchCycle::ShowIdleIcon() {
    SetTrayIcon(p_.window, p_.search, p_.search.SearchPlayers > 0 ? kIconPlayers : kIconIdle);
}

std::string SearchCycle::Summary() const {
    return IntToStr(static_cast<int64_t>(p_.hosts.size())) + " hosts, " + IntToStr(p_.search.SearchPlayers) +
           " players and " + IntToStr(p_.peers.UserCount()) + " users";
}

void SearchCycle::SessionConnected(SearchSocket& sender) {
    SendQuery(sender);
}

void SearchCycle::DataAvailable(SearchSocket& sender) {
    uint32_t source = 0;
    const int length = sender.ReceiveFrom(buffer_.data(), kMaxReceiveLength, source);
    if (length < 0) return;
    ReplyOrigin origin;
    // The listening socket sends nothing: what it hears answers the
    // broadcast of the game port.
    const SearchSocket* asker =
        &sender == p_.sockets.listen && !p_.sockets.broadcast.empty() ? p_.sockets.broadcast[0] : &sender;
    if (const auto found = sent_.find(asker); found != sent_.end()) origin.sent = found->second;
    origin.arrived = sender.LastArrivalTicks();
    // The internet servers the user typed in are favourites.
    origin.source = IsInternetSocket(sender) ? ServerSource::Favourite : ServerSource::Lan;
    // Only the sockets that send queries get answers to them; the listening
    // socket hears whoever sends to the game port.
    origin.asking = !p_.search.WindowOpen          ? Asking::OutsideSearch
                    : &sender == p_.sockets.listen ? Asking::DuringSearch
                                                   : Asking::OwnQuery;
    p_.dispatcher.DispatchDatagram(buffer_.data(), length, DottedAddress(source), sender.PortText(), origin);
}

void SearchCycle::SocketError(SearchSocket& sender) {
    p_.services.status.SetStatusText(0, "ERROR (" + IntToStr(sender.LastError()) + ")");
    sender.Close();
}

}  // namespace torvane
