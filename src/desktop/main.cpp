// torvane: the desktop program. Its windows are created hidden in order
// (main, credits, users, challenge, log, options); the options dialog's
// construction loads and applies the settings, then the first search
// starts. Qt's loop drives the core's. At the end, by the close box, "Exit",
// a signal or the end of the session, the windows go in reverse: every
// setting saved, "Torvane closed" logged, the tray icon removed.

#include <clocale>
#include <cstdio>
#include <cstring>
#include <optional>

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
#include "platform/version.h"

namespace torvane {
namespace {

constexpr const char* kHelp =
    "Usage: torvane [--help] [--version]\n"
    "\n"
    "Torvane finds Quake II servers on the local network, shows their players,\n"
    "tells you when a server appears, a player enters, a full server has room or\n"
    "a map changes, and lets copies of Torvane on one network chat and challenge\n"
    "each other. It lives in the notification area.\n"
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

int Run(int argc, char** argv) {
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

    const int code = app.exec();
    shell.reset();
    return code;
}

}  // namespace
}  // namespace torvane

int main(int argc, char** argv) {
    torvane::StopSignals::Block();
    std::setlocale(LC_ALL, "");
    if (const auto answered = torvane::AnswerArguments(argc, argv)) return *answered;
    return torvane::Run(argc, argv);
}
