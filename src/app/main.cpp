// torvane: the desktop program. Its windows are created hidden in order
// (main, credits, users, challenge, log, options); the options dialog's
// construction loads and applies the settings, then the first search
// starts. Qt's loop drives the core's. At the end, by the close box, "Exit",
// a signal or the end of the session, the windows go in reverse: every
// setting saved, "Torvane closed" logged, the tray icon removed.

#include <arpa/inet.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <optional>
#include <variant>

#include "app/application_qt.h"
#include "app/creditform_qt.h"
#include "app/errorbox_qt.h"
#include "app/instancedoor.h"
#include "app/loopbridge_qt.h"
#include "app/mainform_qt.h"
#include "app/shell.h"
#include "app/shellwindows_qt.h"
#include "app/stopsignals.h"
#include "app/systemparts.h"
#include "launcher/gamecommand.h"
#include "net/wsocket_hostinfo.h"
#include "notify/logf_qt.h"
#include "peers/suggest_qt.h"
#include "peers/userform_qt.h"
#include "platform/version.h"
#include "settings/options_qt.h"

namespace torvane {
namespace {

constexpr const char* kHelp =
    "Usage: torvane [--help] [--version] [quake2://connect/HOST:PORT]\n"
    "\n"
    "Torvane finds Quake II servers on the local network, shows their players,\n"
    "tells you when a server appears, a player enters, a full server has room or\n"
    "a map changes, and lets copies of Torvane on one network chat and challenge\n"
    "each other. It lives in the notification area.\n"
    "\n"
    "A join link, quake2://connect/HOST:PORT, launches the game into that server:\n"
    "the copy of Torvane already running does it, or this one once it has started.\n"
    "HOST is a host name or an IPv4 address; a link that holds anything more is\n"
    "refused with exit status 2. One copy runs per session: starting another\n"
    "brings the running one up.\n"
    "\n"
    "Settings: $XDG_CONFIG_HOME/torvane/settings.json (default ~/.config).\n"
    "Without a notification area the main window stays on screen.\n";

// --help and --version answer without a display; every other argument is
// left to Qt (-platform, -display, ...).
std::optional<int> AnswerArguments(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (!std::strcmp(argv[i], "--version")) {
            std::printf("torvane %s\n", kTorvaneVersion);
            return 0;
        }
    }
    return std::nullopt;
}

// Exit status of a join link that is refused.
constexpr int kRefusedLink = 2;

// The first argument that is meant as a join link, if any.
const char* LinkArgument(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (LooksLikeJoinLink(argv[i])) return argv[i];
    return nullptr;
}

// The request a join link makes, with the server's address looked up here,
// before any other copy hears of it; a refused link or an unknown host is
// told on standard error with the exit status.
std::variant<InstanceRequest, int> JoinRequest(const char* argument) {
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
    if (const auto answered = torvane::AnswerArguments(argc, argv)) return *answered;

    torvane::InstanceRequest request;
    if (const char* link = torvane::LinkArgument(argc, argv)) {
        const auto joined = torvane::JoinRequest(link);
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
