// SPDX-License-Identifier: GPL-2.0-or-later
// Pictures of the options dialog (each page), the users window, the
// challenge dialog and the wait control, drawn on the offscreen platform
// with sample contents: window_shots OUTPUT_DIRECTORY. Each picture has a
// strip with the window's caption on top, since no window manager draws one
// there.

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <cstdio>

#include "../../peers/peer_fakes.h"
#include "desktop/options.h"
#include "desktop/suggest.h"
#include "desktop/userform.h"
#include "desktop/wait.h"
#include "net/wait.h"
#include "platform/clock.h"

namespace {

using namespace torvane;

constexpr int kCaptionHeight = 24;

bool Save(QWidget& window, const QDir& directory, const QString& name) {
    window.show();
    QApplication::processEvents();
    const QPixmap body = window.grab();
    QPixmap picture(body.width(), body.height() + kCaptionHeight);
    picture.fill(QColor(60, 60, 70));
    QPainter painter(&picture);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(8, 0, body.width() - 16, kCaptionHeight), Qt::AlignVCenter | Qt::AlignLeft,
                     window.windowTitle());
    painter.drawPixmap(0, kCaptionHeight, body);
    painter.end();
    const QString path = directory.filePath(name + ".png");
    if (!picture.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

bool ShootOptions(const QDir& directory) {
    Settings settings;
    settings.Wan[0].Address = "q2.example.lan";
    settings.Masters = "master.example.lan";
    settings.Favorites = "10.99.0.12:27910 q2.example.lan:27911";
    settings.Event(EventKind::NewHost).Popup = true;
    settings.Event(EventKind::NewPlayer).Play = true;
    settings.Event(EventKind::NewPlayer).Sound = "/usr/share/sounds/torvane/player.wav";
    OptionsDialog options(settings);
    options.SetCaption(TorvaneCaption());
    options.ShowSettings();
    const char* names[] = {"general", "network", "events", "game", "info", "log"};
    bool ok = true;
    for (int page = 0; page < 6; ++page) {
        options.SelectPage(static_cast<OptionsPage>(page));
        ok = Save(options, directory, QString("options-") + names[page]) && ok;
    }
    return ok;
}

struct NoChat final : ChatSender {
    void SendChat(const std::string&, char) override {}
};

bool ShootUsers(const QDir& directory) {
    fakes::Journal journal;
    UserTable table;
    UsersWindow users;
    NoChat chat;
    fakes::FakeSettings settings;
    fakes::FakeHost host;
    ManualClock clock;
    TUsers logic(table, users, chat, settings, host, clock);
    users.Attach(&logic);
    auto announce = [&](const std::string& name, const std::string& address, PeerStatus status,
                        const std::string& message) {
        User user;
        user.Name = name;
        user.Address = address;
        user.Status = status;
        user.Message = message;
        user.Skill = 1;
        user.Version = "2.13";
        user.ComputerName = "lanbox" + address.substr(address.size() - 1);
        user.LastSeen = clock.CalendarSeconds();
        table.Store(user);
    };
    announce("Ranger", "10.99.0.11", PeerStatus::Ready, "Ready to kick some ass");
    announce("Phobos", "10.99.0.12", PeerStatus::Playing, "I'm wasting some loosers");
    announce("Sarge", "10.99.0.13", PeerStatus::Busy, "Sorry, reality calls");
    logic.Refresh();
    logic.UserListViewClick(1);
    const std::pair<const char*, const char*> lines[] = {{"21:04:13", "anyone for q2dm1?"},
                                                         {"21:04:30", "after this map"},
                                                         {"21:05:02", "SHOUT: pizza is here"}};
    const char* const names[] = {"Ranger", "Phobos", "Sarge"};
    for (int i = 0; i < 3; ++i) {
        host.time_text = lines[i].first;
        logic.AddChatLine(names[i], lines[i].second);
    }
    return Save(users, directory, "users");
}

bool ShootChallenge(const QDir& directory) {
    ChallengeDialog challenge;
    challenge.ChallengeShown(
        {"Ranger challenges you", "Game : Friday night frags", "Map : q2dm1", "Challenge received 21:06:44"});
    return Save(challenge, directory, "challenge");
}

bool ShootWait(const QDir& directory) {
    TWait wait;
    wait.SetCaption("20");
    wait.Start();
    wait.SetCaption("12");
    WaitControl face(wait);
    face.setWindowTitle("Wait control");
    const bool ok = Save(face, directory, "wait");
    wait.Stop();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: window_shots OUTPUT_DIRECTORY\n");
        return 2;
    }
    QDir directory(QString::fromLocal8Bit(argv[1]));
    if (!directory.mkpath(".")) return 1;
    MessageLoop loop;
    const bool ok =
        ShootOptions(directory) && ShootUsers(directory) && ShootChallenge(directory) && ShootWait(directory);
    return ok ? 0 : 1;
}
