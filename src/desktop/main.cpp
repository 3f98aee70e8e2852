// SPDX-License-Identifier: GPL-2.0-or-later
// torvane: the desktop program. Its windows are created hidden in order
// (main, credits, users, challenge, log, options); the options dialog's
// construction loads and applies the settings, then the first search
// starts. Qt's loop drives the core's. At the end, by the close box, "Exit",
// a signal or the end of the session, the windows go in reverse: every
// setting saved, "Torvane closed" logged, the tray icon removed.

#include <arpa/inet.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "app/arguments.h"
#include "app/instancedoor.h"
#include "app/shell.h"
#include "app/stopsignals.h"
#include "app/systemparts.h"
#include "desktop/application.h"
#include "desktop/creditform.h"
#include "desktop/logf.h"
#include "desktop/loopbridge.h"
#include "desktop/mainform.h"
#include "desktop/options.h"
#include "desktop/shellwindows.h"
#include "desktop/suggest.h"
#include "desktop/toolkit/errorbox.h"
#include "desktop/userform.h"
#include "launcher/gamecommand.h"
#include "net/wsocket_hostinfo.h"

namespace torvane {
namespace {

const ProgramDescription& Description() {
    static const ProgramDescription description{
        "torvane",
        "Torvane finds Quake II servers on the local network, shows their players,\n"
        "tells you when a server appears, a player enters, a full server has room or\n"
        "a map changes, and lets copies of Torvane on one network chat and challenge\n"
        "each other. It lives in the notification area; without one the main window\n"
        "stays on screen.\n"
        "One copy runs per session: starting another brings the running one up.\n"
        "torvane quake2://connect/HOST:PORT (HOST a host name or an IPv4 address)\n"
        "launches the game into that server, through the copy already running if\n"
        "there is one; a link that holds anything more is refused with status 2.\n"
        "Settings: $XDG_CONFIG_HOME/torvane/settings.json (default ~/.config).\n",
        StandardOptions()};
    return description;
}

// Exit status of a join link that is refused.
constexpr int kRefusedLink = 2;

// The request a join link makes, with the server's address looked up here,
// before any other copy hears of it; a refused link or an unknown host is
// told on standard error with the exit status.
std::variant<InstanceRequest, int> JoinRequest(const std::string& argument) {
    const JoinLinkResult result = ParseJoinLink(argument);
    if (!result.Link) {
        std::fprintf(stderr, "torvane: refused join link: %s\n", result.Refusal.c_str());
        return kRefusedLink;
    }
    InstanceRequest request{InstanceRequest::Kind::kJoin, *result.Link, result.Link->Host};
    if (!IsDottedIPv4(request.Address)) {
        const std::optional<THostEnt> host = WSocketGetHostByName(request.Link.Host);
        char text[INET_ADDRSTRLEN] = {};
        if (!host || host->h_addr_list.empty() ||
            !inet_ntop(AF_INET, &host->h_addr_list.front(), text, sizeof text)) {
            std::fprintf(stderr, "torvane: cannot find the address of %s\n", request.Link.Host.c_str());
            return 1;
        }
        request.Address = text;
    }
    return request;
}

void Launch(MainCore& core, const InstanceRequest& request) {
    core.JoinServer(request.Link.Host, request.Address, request.Link.Port);
}

int Run(int argc, char** argv, std::optional<InstanceChannel> channel, const InstanceRequest& request) {
    TorvaneApplication app(argc, argv);
    MessageLoop loop;
    LoopBridge bridge(loop);
    loop.SetExceptionHandler([&app](std::exception_ptr error) { app.ShowError(error); });
    StopSignals stop_signals(loop, [] { QCoreApplication::exit(0); });

    // The options dialog's controls are the live settings, so the record
    // comes before the windows.
    Settings settings;
    TMainForm main_form;
    TCreditForm credits;
    UsersWindow users;
    ChallengeDialog suggest;
    LogWindow log;
    OptionsDialog options(settings);
    app.SetMainWindow(&main_form);
    DesktopWindows windows(main_form, users);

    // The system parts open the settings file, so an unreadable one is a
    // start-up failure like any other.
    std::optional<SystemParts> system;
    std::optional<Shell> shell;
    try {
        system.emplace();
        shell.emplace(loop, settings, system->Seams(),
                      ShellViews{{main_form, users, suggest, log}, options, windows}, system->Store());
    } catch (const EStartUpFailed&) {
        return 1;  // shown, and the windows taken down
    } catch (...) {
        // The settings file stays as it was, for the user to mend.
        RunErrorBox(FailureText(std::current_exception()), nullptr);
        return 1;
    }
    main_form.Attach(&shell->Core(), &shell->Options(), {&credits, &users, &options});
    users.Attach(&shell->Core().UsersWindow());
    suggest.Attach(&shell->Core().SuggestForm());
    log.ShowLinesOf(&shell->Core().LogForm().Log());
    options.Attach(&shell->Options());

    std::optional<InstanceDoor> door;
    if (channel) {
        door.emplace(loop, std::move(*channel), [&shell](const InstanceRequest& later) {
            if (later.What == InstanceRequest::Kind::kJoin)
                Launch(shell->Core(), later);
            else
                shell->Core().ShowAndBringToFront();
        });
    }
    if (request.What == InstanceRequest::Kind::kJoin) Launch(shell->Core(), request);

    const int code = app.exec();
    door.reset();
    shell.reset();
    return code;
}

}  // namespace
}  // namespace torvane

int main(int argc, char** argv) {
    torvane::StopSignals::Block();
    std::setlocale(LC_ALL, "");
    // Answered before a display, the settings or a socket is touched; a
    // join link is the one argument beside the options.
    std::vector<std::string> args(argv + 1, argv + argc);
    std::optional<std::string> link;
    if (const auto it = std::find_if(args.begin(), args.end(), torvane::LooksLikeJoinLink);
        it != args.end()) {
        link = *it;
        args.erase(it);
    }
    if (const auto answered = torvane::AnswerArguments(torvane::Description(), args, stdout, stderr))
        return *answered;

    torvane::InstanceRequest request;
    if (link) {
        const auto joined = torvane::JoinRequest(*link);
        if (const int* status = std::get_if<int>(&joined)) return *status;
        request = std::get<torvane::InstanceRequest>(joined);
    }
    // A copy already runs in this session: it does what was asked.
    const std::string session = torvane::InstanceChannel::SessionName();
    const std::string text = torvane::RequestText(request);
    if (torvane::InstanceChannel::HandOver(session, text)) return 0;
    std::optional<torvane::InstanceChannel> channel = torvane::InstanceChannel::Claim(session);
    // Another copy claimed it in the meantime.
    if (!channel && torvane::InstanceChannel::HandOver(session, text)) return 0;
    return torvane::Run(argc, argv, std::move(channel), request);
}
