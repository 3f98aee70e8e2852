// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/maincore.h"

#include <optional>
#include <vector>

#include "app/busybox.h"
#include "app/hostwatch.h"
#include "app/livesettings.h"
#include "app/notices.h"
#include "app/roomwatch.h"
#include "discovery/searchsetup.h"
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

// Everything the main window owns: the services, built once and handed to
// each subsystem, and the subsystems themselves. Members are declared in
// the order they must be built.
struct MainCore::Parts final : LauncherHost, BroadcastSender {
    // The peers' own questions: this computer's addresses, the time, the
    // host list and the notifications.
    struct PeerSide final : PeerHost {
        explicit PeerSide(Parts& p) : p(p) {}
        bool IsOwnAddress(const std::string& address) const override { return IsLocalAddress(address); }
        std::string LongTimeText() const override {
            return torvane::LongTimeText(p.seams.clock.CalendarSeconds());
        }
        std::optional<size_t> SelectedHostRow() const override { return p.SelectedRecord(); }
        size_t HostCount() const override { return p.setup.hosts.size(); }
        const TQuakeServer& HostAt(size_t index) const override { return p.setup.hosts[index]; }
        void NoticeShout(const std::string& name, const std::string& text) override {
            p.notices.Shouted(name, text);
        }
        void NoticeChallenge(const Challenge& challenge) override { p.notices.Challenged(challenge); }
        Parts& p;
    };

    // What the notifications' challenge buttons act on: the dialog.
    struct NoticeSide final : NoticeHost {
        explicit NoticeSide(Parts& p) : p(p) {}
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
          busy(views.main, [this](PeerStatus status) { peers.SetOwnStatus(status); }),
          log(views.log, seams.clock),
          host_watch(views.main, settings, log, notices, room_watch),
          player(seams.sound),
          sound(
              busy, [this] { return setup.search.FirstSearch; }, player),
          // A failed launch is told straight on the status bar: the
          // notification of a pop-up tells only what its merge said.
          launcher(*this, {busy, log, views.main}, live, seams.processes, seams.spawner, ProgramSearchPath,
                   &seams.clock),
          services{busy, log, host_watch, launcher, sound},
          notice_side(*this),
          notices(views.main, notice_side, busy, launcher),
          room_watch(busy, launcher),
          peer_side(*this),
          peers(live, peer_side, services, *this, seams.computer_name, seams.clock, views.users,
                views.suggest),
          answer_timer(loop),
          gated_peers(peers, seams.clock, answer_timer),
          setup({.loop = loop,
                 .clock = seams.clock,
                 .sockets = seams.sockets,
                 .services = services,
                 .window = host_watch,
                 .tray = views.main,
                 .host_settings = live,
                 .settings = live,
                 .internet_settings = live,
                 .peers = peers,
                 .peer_receiver = gated_peers,
                 .report = [this](const std::string& text) { ReportRemote(text); }},
                SearchShape{}) {
        player.Loop = false;
        player.Async = true;
        // Every launch, by whatever way, ends the waits for room.
        launcher.OnLaunched = [this] { room_watch.Launched(); };
        host_watch.Watch(setup.hosts);
        answer_timer.timer.SetOnTimer([this] {
            answer_timer.timer.SetEnabled(false);
            gated_peers.AnswerTimerFired();
        });
    }

    // A silent master or a favourite whose name does not resolve.
    void ReportRemote(const std::string& text) {
        host_watch.SetStatusText(0, text);
        log.AddLogLine(text);
    }

    CycleSocket& WSocket() { return setup.BroadcastSocket(); }

    // The record of the row the user selected, when there is one.
    std::optional<std::size_t> SelectedRecord() const {
        const int row = view.SelectedHostRow();
        if (row < 0 || static_cast<std::size_t>(row) >= setup.hosts.size()) return std::nullopt;
        return static_cast<std::size_t>(row);
    }

    // LauncherHost.
    PeerStatus OwnStatus() const override { return peers.OwnStatus(); }
    void SetOwnStatus(PeerStatus status) override { peers.SetOwnStatus(status); }
    void SendInfo() override { peers.SendInfo(); }
    void SetSearchWindowTimerEnabled(bool enabled) override { setup.window.SetEnabled(enabled); }
    void SetIntervalTimerEnabled(bool enabled) override { setup.timer1.SetEnabled(enabled); }
    void StartSearch() override { setup.cycle.StartSearch(); }
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
    // The services.
    BusyBox busy;
    TLogForm log;
    HostWatch host_watch;  // the status line, and what follows each merge
    TPlayerWave player;
    EventSound sound;
    GameLauncher launcher;
    Services services;
    // The subsystems.
    NoticeSide notice_side;
    TNotices notices;
    RoomWatch room_watch;
    PeerSide peer_side;
    PeerProtocol peers;
    LoopAnswerTimer answer_timer;
    GatedPeers gated_peers;  // what the dispatch hands the peer protocol
    SearchSetup setup;
};

MainCore::MainCore(MessageLoop& loop, Settings& settings, const CoreSeams& seams, const CoreViews& views)
    : p_(std::make_unique<Parts>(loop, settings, seams, views)) {}

MainCore::~MainCore() = default;

void MainCore::Create() {
    p_->peers.SetOwnStatus(BusyBox::StatusOf(p_->busy.BusyChecked()));
    p_->view.ShowIconImage(kIconIdle);
    p_->view.SetTrayTip("");
    p_->busy.Show();
    p_->setup.cycle.OpenListenSocket();
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
    p_->setup.cycle.StartSearch();
}

void MainCore::Subscribe(HostTableListener& listener) {
    p_->setup.hosts.Subscribe(listener);
}

void MainCore::HostListViewDblClick() {
    if (const auto record = p_->SelectedRecord()) p_->launcher.LaunchGame(p_->setup.hosts[*record]);
}

void MainCore::Play1Click() {
    HostListViewDblClick();
}

void MainCore::TrayHostEntryClick(int index) {
    p_->setup.hosts.TrayHostEntryClick(index);
}

void MainCore::JoinServer(const std::string& host_name, const std::string& address, const std::string& port) {
    p_->launcher.LaunchGame(LaunchTarget{host_name, address, port});
}

bool MainCore::HasBuddies(std::size_t index) const {
    return p_->host_watch.HasBuddies(index);
}

std::vector<std::string> MainCore::BuddiesOn(std::size_t index) const {
    if (index >= p_->setup.hosts.size()) return {};
    return torvane::BuddiesOn(BuddyList(p_->settings.Buddies), p_->setup.hosts[index]);
}

const std::string& MainCore::BuddiesSetting() const {
    return p_->settings.Buddies;
}

void MainCore::SetBuddies(const std::string& setting) {
    p_->settings.Buddies = setting;
    p_->host_watch.LookAgain(setting);
}

bool MainCore::WaitingForRoom(std::size_t index) const {
    return index < p_->setup.hosts.size() && p_->room_watch.Waiting(p_->setup.hosts[index]);
}

std::optional<std::string> MainCore::RoomMenuEntry() const {
    const auto record = p_->SelectedRecord();
    if (!record) return std::nullopt;
    return p_->room_watch.MenuEntry(p_->setup.hosts[*record]);
}

void MainCore::RoomMenuClick() {
    const auto record = p_->SelectedRecord();
    if (!record) return;
    // Copied: a launch starts a search, which may move the table.
    const TQuakeServer server = p_->setup.hosts[*record];
    p_->room_watch.MenuEntryChosen(server);
}

void MainCore::NoticeActionInvoked(uint64_t id, const std::string& key) {
    p_->notices.ActionInvoked(id, key);
}

void MainCore::NoticeClosed(uint64_t id) {
    p_->notices.Closed(id);
}

void MainCore::SetBusyCheck(bool checked) {
    p_->busy.SetBusyCheck(checked);
}

void MainCore::Busy1Click() {
    p_->busy.MenuClick();
}

void MainCore::SetBusy1(bool checked) {
    p_->busy.SetMenuCheck(checked);
}

void MainCore::Suggest1Click() {
    p_->peers.Suggest1Click();
}

void MainCore::CheckBroadcastClick() {
    // A text that is no number leaves the timer as it was.
    p_->setup.timer1.SetInterval(IntervalMs(p_->settings.BCInterval));
    p_->setup.timer1.SetEnabled(p_->settings.Broadcast);
}

void MainCore::OptionsClosed() {
    if (p_->settings.Port.Text() != p_->WSocket().PortText() && !p_->WSocket().IsClosed())
        p_->WSocket().Close();
}

void MainCore::PreviewSound(const std::string& path) {
    p_->player.WaveName = path;
    p_->player.Play();
}

bool MainCore::BusyChecked() const {
    return p_->busy.BusyChecked();
}
const HostTable& MainCore::Hosts() const {
    return p_->setup.hosts;
}
const SearchState& MainCore::Search() const {
    return p_->setup.search;
}
SearchCycle& MainCore::Cycle() {
    return p_->setup.cycle;
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
