// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/maincore.h"

#include <optional>
#include <vector>

#include "app/livesettings.h"
#include "app/notices.h"
#include "app/roomwatch.h"
#include "discovery/dispatch.h"
#include "discovery/hosttable.h"
#include "discovery/internetsearch.h"
#include "discovery/looptimer.h"
#include "discovery/querysocket.h"
#include "discovery/searchcycle.h"
#include "discovery/trayicon.h"
#include "launcher/launcher.h"
#include "notify/eventsound.h"
#include "notify/playerwave.h"
#include "peers/buddies.h"
#include "peers/peergate.h"
#include "peers/peerprotocol.h"
#include "platform/localaddresses.h"
#include "platform/localtime.h"

namespace torvane {

namespace {

// The nine sockets of the main window: four broadcast sockets, four
// internet-server sockets and the listening socket, in that order.
constexpr std::size_t kBroadcastSockets = 4;
constexpr std::size_t kInternetSockets = 4;

std::vector<std::unique_ptr<CycleSocket>> MakeSockets(SocketMaker& maker, MessageLoop& loop) {
    std::vector<std::unique_ptr<CycleSocket>> sockets;
    for (std::size_t i = 0; i < kBroadcastSockets + kInternetSockets + 1; ++i)
        sockets.push_back(maker.MakeSocket(loop));
    return sockets;
}

SearchSockets Roles(const std::vector<std::unique_ptr<CycleSocket>>& sockets) {
    SearchSockets roles;
    for (std::size_t i = 0; i < kBroadcastSockets; ++i) roles.broadcast.push_back(sockets[i].get());
    for (std::size_t i = 0; i < kInternetSockets; ++i)
        roles.internet.push_back(sockets[kBroadcastSockets + i].get());
    roles.listen = sockets.back().get();
    return roles;
}

// The one-shot timer of a delayed status answer, on the loop.
struct LoopAnswerTimer final : AnswerTimer {
    explicit LoopAnswerTimer(MessageLoop& loop) : timer(loop) { timer.SetEnabled(false); }
    void Start(uint32_t ms) override {
        timer.SetInterval(ms);
        timer.SetEnabled(true);
    }
    WindowTimer timer;
};

}  // namespace

// Everything the main window owns, and the adapters through which each
// subsystem sees the others. Members are declared in the order they must be
// built.
struct MainCore::Parts final : HostView,
                               HostTableListener,
                               GameActions,
                               HostSettings,
                               SearchPeers,
                               LauncherHost,
                               SoundGuards,
                               BroadcastSender {
    // The peers' view of the program; apart because its host-row question
    // has another shape than the host table's.
    struct PeerSide final : PeerHost {
        explicit PeerSide(Parts& p) : p(p) {}
        bool BusyChecked() const override { return p.busy_box; }
        void CheckBusy() override { p.SetBusyCheck(true); }
        bool IsGameRunning() override { return p.IsGameRunning(); }
        bool IsOwnAddress(const std::string& address) const override { return IsLocalAddress(address); }
        void SetStatusPanel1(const std::string& text) override { p.view.SetStatusText(1, text); }
        void AddLogLine(const std::string& text) override { p.AddLogLine(text); }
        void PlayEventSound(const std::string& path) override { p.PlayEventSound(path); }
        std::string LongTimeText() const override {
            return torvane::LongTimeText(p.seams.clock.CalendarSeconds());
        }
        std::optional<size_t> SelectedHostRow() const override {
            const int row = p.view.SelectedHostRow();
            if (row < 0 || static_cast<std::size_t>(row) >= p.hosts.size()) return std::nullopt;
            return static_cast<std::size_t>(row);
        }
        size_t HostCount() const override { return p.hosts.size(); }
        const TQuakeServer& HostAt(size_t index) const override { return p.hosts[index]; }
        void LaunchGame(const TQuakeServer& server) override { p.LaunchGame(server); }
        void NoticeShout(const std::string& name, const std::string& text) override {
            p.notices.Shouted(name, text);
        }
        void NoticeChallenge(const Challenge& challenge) override { p.notices.Challenged(challenge); }
        Parts& p;
    };

    // What the notifications' buttons and the wait for room act on.
    struct NoticeSide final : NoticeHost, RoomWatchHost {
        explicit NoticeSide(Parts& p) : p(p) {}
        bool BusyChecked() const override { return p.busy_box; }
        bool IsGameRunning() override { return p.IsGameRunning(); }
        void LaunchGame(const TQuakeServer& server) override { p.LaunchGame(server); }
        void AcceptChallenge(const Challenge& challenge) override {
            p.peers.SuggestForm().Fill(challenge);
            p.peers.SuggestForm().BitBtn1Click();
        }
        void IgnoreChallenge(const Challenge& challenge) override {
            // The dialog may show a later challenge by now: that one stays.
            const Challenge& shown = p.peers.SuggestForm().Stored();
            if (shown.Challenger == challenge.Challenger && shown.HostName == challenge.HostName &&
                shown.Address == challenge.Address && shown.Port == challenge.Port &&
                shown.MapName == challenge.MapName)
                p.peers.SuggestForm().BitBtn2Click();
        }
        Parts& p;
    };

    Parts(MessageLoop& loop, Settings& settings, const CoreSeams& seams, const CoreViews& views)
        : loop(loop),
          settings(settings),
          seams(seams),
          view(views.main),
          live(settings),
          log(views.log, seams.clock),
          player(seams.sound),
          sound(*this, player),
          notice_side(*this),
          notices(views.main, notice_side),
          room_watch(notice_side),
          hosts(*this, *this, *this, search),
          peer_side(*this),
          peers(live, peer_side, *this, seams.computer_name, seams.clock, views.users, views.suggest),
          answer_timer(loop),
          gated_peers(peers, seams.clock, answer_timer),
          launcher(*this, live, seams.processes, seams.spawner, ProgramSearchPath, &seams.clock),
          dispatcher(seams.clock, search, hosts, gated_peers),
          timer1(loop, kDefaultIntervalMs, true),
          window(loop, kSearchWindowMs, false),
          sockets(MakeSockets(seams.sockets, loop)),
          internet(loop, dispatcher, live, seams.clock,
                   [this](const std::string& text) {
                       view.SetStatusText(0, text);
                       AddLogLine(text);
                   }),
          cycle({search, hosts, dispatcher, Roles(sockets), timer1, window, live, *this, view, *this, *this,
                 seams.clock, &internet}) {
        player.Loop = false;
        player.Async = true;
        for (std::size_t i = 0; i + 1 < sockets.size(); ++i) sockets[i]->Attach(cycle, true);
        sockets.back()->Attach(cycle, false);
        timer1.Timer().SetOnTimer([this] { cycle.Timer1Timer(); });
        window.Timer().SetOnTimer([this] { cycle.BroadcastEnd(); });
        hosts.Subscribe(*this);
        answer_timer.timer.SetOnTimer([this] {
            answer_timer.timer.SetEnabled(false);
            gated_peers.AnswerTimerFired();
        });
    }

    CycleSocket& WSocket() { return *sockets.front(); }

    // The Busy pair.
    void SetBusyCheck(bool checked) {
        if (busy_box == checked) return;
        busy_box = checked;
        BusyCheckClick();
    }
    void BusyCheckClick() {
        peers.SetOwnStatus(busy_box ? PeerStatus::Busy : PeerStatus::Ready);
        busy_menu = busy_box;
        view.ShowBusy(busy_box, busy_menu);
        if (busy_box) view.ShowOptionsOnInfoPage();
    }

    // HostView: the log goes to the log window, everything else straight to
    // the main window. What status panel 1 says during one merge is kept,
    // so that a pop-up can tell the user what it is for.
    void SetStatusText(int panel, const std::string& text) override {
        if (panel == 1) merge_texts += (merge_texts.empty() ? "" : "\n") + text;
        view.SetStatusText(panel, text);
    }
    void AddLogLine(const std::string& text) override { log.AddLogLine(text); }
    void ShowIconImage(int image) override { view.ShowIconImage(image); }
    void LookForBuddies() {
        const BuddyList buddies(settings.Buddies);
        for (const BuddySighting& sighting : buddy_watch.Look(buddies, hosts.Records())) {
            const std::string text = BuddyPlayingText(sighting.Name, hosts[sighting.Server]);
            AddLogLine(text);
            notices.BuddyCame(text, hosts[sighting.Server]);
        }
    }
    int SelectedHostRow() const override { return view.SelectedHostRow(); }
    // The host table shows the main window only to pop it up for an event.
    void ShowMainWindow() override { view.ShowMainWindow(); }
    void RestoreApplication() override { view.RestoreApplication(); }
    void BringToFront() override {
        view.BringToFront();
        popped_up = merge_texts;
        merge_texts.clear();
    }

    // HostTableListener: a reply's merge (or a search's end) begins; it ends
    // with its record's row filled in, and a pop-up during it is told as a
    // notification about that server. Then the buddies.
    void ChangesBegin() override {
        merge_texts.clear();
        merged_row = -1;
        popped_up.reset();
    }
    void ServerChanged(std::size_t index, unsigned what) override {
        if (what != kChangedMark) merged_row = static_cast<int>(index);
    }
    void ChangesEnd() override {
        const bool merged = merged_row >= 0 && static_cast<std::size_t>(merged_row) < hosts.size();
        if (popped_up && merged) notices.PoppedUp(*popped_up, hosts[merged_row]);
        popped_up.reset();
        LookForBuddies();
        if (room_watch.Empty()) return;
        if (merged) {
            room_watch.Answered(hosts[merged_row]);
        } else {
            room_watch.KeepOnly([this](const std::string& address, const std::string& host_name) {
                TQuakeServer key;
                key.Address = address;
                key.HostName = host_name;
                return hosts.FindServer(key) >= 0;
            });
        }
    }

    // GameActions.
    bool IsGameRunning() override { return launcher.IsGameRunning(); }
    void LaunchGame(const TQuakeServer& server) override {
        Launch({server.HostName, server.Address, server.Port});
    }
    // Every launch, by whatever way, ends the waits for room.
    void Launch(const LaunchTarget& target) {
        if (launcher.LaunchGame(target)) room_watch.Launched();
    }
    void PlayEventSound(const std::string& path) override { sound.PlayEventSound(path); }

    // HostSettings and SoundGuards.
    std::string Retries() const override { return live.Retries(); }
    EventAction Action(EventKind kind) const override { return live.Action(kind); }
    bool BusyChecked() const override { return busy_box; }
    bool FirstSearch() const override { return search.FirstSearch; }

    // SearchPeers.
    int64_t LastStatusRequestTime() const override { return peers.LastStatusRequestTime(); }
    void SendStatusRequest() override { peers.SendStatusRequest(); }
    int UserCount() const override { return static_cast<int>(peers.Users().size()); }
    void RefreshUsers() override { peers.UsersWindow().Refresh(); }

    // LauncherHost.
    void UncheckBusy() override { SetBusyCheck(false); }
    PeerStatus OwnStatus() const override { return peers.OwnStatus(); }
    void SetOwnStatus(PeerStatus status) override { peers.SetOwnStatus(status); }
    void SendInfo() override { peers.SendInfo(); }
    void SetSearchWindowTimerEnabled(bool enabled) override { window.SetEnabled(enabled); }
    void SetIntervalTimerEnabled(bool enabled) override { timer1.SetEnabled(enabled); }
    void StartSearch() override { cycle.StartSearch(); }
    void SetStatusPanel1(const std::string& text) override { view.SetStatusText(1, text); }
    void ShowLaunchFailure(const std::string& message) override { view.ShowLaunchFailure(message); }

    // BroadcastSender: peer datagrams go out only through the open
    // broadcast socket.
    void SendIfConnected(std::string_view datagram) override {
        if (WSocket().IsConnected()) WSocket().Send(datagram.data(), static_cast<int>(datagram.size()));
    }

    MessageLoop& loop;
    Settings& settings;
    CoreSeams seams;
    MainView& view;
    LiveSettings live;
    bool busy_box = true;  // checked when the window is created
    bool busy_menu = true;
    std::string merge_texts;               // panel 1's texts since the current merge began
    std::optional<std::string> popped_up;  // what popped the window up during this merge
    int merged_row = -1;                   // the row this merge filled in
    BuddyWatch buddy_watch;
    SearchState search;
    TLogForm log;
    TPlayerWave player;
    EventSound sound;
    NoticeSide notice_side;
    TNotices notices;
    RoomWatch room_watch;
    HostTable hosts;
    PeerSide peer_side;
    PeerProtocol peers;
    LoopAnswerTimer answer_timer;
    GatedPeers gated_peers;  // what the dispatch hands the peer protocol
    GameLauncher launcher;
    DatagramDispatcher dispatcher;
    LoopTimer timer1;
    LoopTimer window;
    std::vector<std::unique_ptr<CycleSocket>> sockets;
    InternetSearch internet;  // favourites and master-listed servers
    SearchCycle cycle;
};

MainCore::MainCore(MessageLoop& loop, Settings& settings, const CoreSeams& seams, const CoreViews& views)
    : p_(std::make_unique<Parts>(loop, settings, seams, views)) {}

MainCore::~MainCore() = default;

void MainCore::Create() {
    p_->peers.SetOwnStatus(p_->busy_box ? PeerStatus::Busy : PeerStatus::Ready);
    p_->view.ShowIconImage(kIconIdle);
    p_->view.SetTrayTip("");
    p_->view.ShowBusy(p_->busy_box, p_->busy_menu);
    p_->cycle.OpenListenSocket();
}

void MainCore::FormDestroy() {
    p_->view.RemoveTrayIcon();
    if (!p_->WSocket().IsClosed()) p_->WSocket().Close();
}

void MainCore::ShowAndBringToFront() {
    p_->view.ShowMainWindow();
    p_->view.RestoreApplication();
    p_->view.BringToFront();
}

void MainCore::ConnectButtonClick() {
    p_->cycle.StartSearch();
}

void MainCore::Subscribe(HostTableListener& listener) {
    p_->hosts.Subscribe(listener);
}

void MainCore::HostListViewDblClick() {
    const int row = p_->view.SelectedHostRow();
    if (row >= 0 && static_cast<std::size_t>(row) < p_->hosts.size()) p_->LaunchGame(p_->hosts[row]);
}

void MainCore::Play1Click() {
    HostListViewDblClick();
}

void MainCore::TrayHostEntryClick(int index) {
    p_->hosts.TrayHostEntryClick(index);
}

void MainCore::JoinServer(const std::string& host_name, const std::string& address, const std::string& port) {
    p_->Launch({host_name, address, port});
}

bool MainCore::HasBuddies(std::size_t index) const {
    return p_->buddy_watch.HasBuddies(index);
}

std::vector<std::string> MainCore::BuddiesOn(std::size_t index) const {
    if (index >= p_->hosts.size()) return {};
    return torvane::BuddiesOn(BuddyList(p_->settings.Buddies), p_->hosts[index]);
}

const std::string& MainCore::BuddiesSetting() const {
    return p_->settings.Buddies;
}

void MainCore::SetBuddies(const std::string& setting) {
    p_->settings.Buddies = setting;
    p_->buddy_watch.Look(BuddyList(setting), p_->hosts.Records());
}

bool MainCore::WaitingForRoom(std::size_t index) const {
    return index < p_->hosts.size() && p_->room_watch.Waiting(p_->hosts[index]);
}

std::optional<std::string> MainCore::RoomMenuEntry() const {
    const int row = p_->view.SelectedHostRow();
    if (row < 0 || static_cast<std::size_t>(row) >= p_->hosts.size()) return std::nullopt;
    return p_->room_watch.MenuEntry(p_->hosts[row]);
}

void MainCore::RoomMenuClick() {
    const int row = p_->view.SelectedHostRow();
    if (row < 0 || static_cast<std::size_t>(row) >= p_->hosts.size()) return;
    // Copied: a launch starts a search, which may move the table.
    const TQuakeServer server = p_->hosts[row];
    p_->room_watch.MenuEntryChosen(server);
}

void MainCore::NoticeActionInvoked(uint64_t id, const std::string& key) {
    p_->notices.ActionInvoked(id, key);
}

void MainCore::NoticeClosed(uint64_t id) {
    p_->notices.Closed(id);
}

void MainCore::SetBusyCheck(bool checked) {
    p_->SetBusyCheck(checked);
}

void MainCore::Busy1Click() {
    p_->busy_menu = !p_->busy_menu;
    p_->peers.SetOwnStatus(p_->busy_menu ? PeerStatus::Busy : PeerStatus::Ready);
    p_->view.ShowBusy(p_->busy_box, p_->busy_menu);
    p_->SetBusyCheck(p_->busy_menu);
}

void MainCore::SetBusy1(bool checked) {
    p_->busy_menu = checked;
    p_->view.ShowBusy(p_->busy_box, p_->busy_menu);
}

void MainCore::Suggest1Click() {
    p_->peers.Suggest1Click();
}

void MainCore::CheckBroadcastClick() {
    // A text that is no number leaves the timer as it was.
    p_->timer1.SetInterval(IntervalMs(p_->settings.BCInterval));
    p_->timer1.SetEnabled(p_->settings.Broadcast);
}

void MainCore::OptionsClosed() {
    if (p_->settings.Port != p_->WSocket().PortText() && !p_->WSocket().IsClosed()) p_->WSocket().Close();
}

void MainCore::PreviewSound(const std::string& path) {
    p_->player.WaveName = path;
    p_->player.Play();
}

bool MainCore::BusyChecked() const {
    return p_->busy_box;
}
const HostTable& MainCore::Hosts() const {
    return p_->hosts;
}
const SearchState& MainCore::Search() const {
    return p_->search;
}
SearchCycle& MainCore::Cycle() {
    return p_->cycle;
}
PeerProtocol& MainCore::Peers() {
    return p_->peers;
}
TUsers& MainCore::UsersWindow() {
    return p_->peers.UsersWindow();
}
TSuggestForm& MainCore::SuggestForm() {
    return p_->peers.SuggestForm();
}
GameLauncher& MainCore::Launcher() {
    return p_->launcher;
}
TLogForm& MainCore::LogForm() {
    return p_->log;
}
const TLogForm& MainCore::LogForm() const {
    return p_->log;
}

}  // namespace torvane
