// torvane: the desktop program. Its windows are created hidden in order
// (main, credits, users, challenge, log, options); the options dialog's
// construction loads and applies the settings, then the first search
// starts. Qt's loop drives the core's. At the end, by the close box, "Exit",
// a signal or the end of the session, the windows go in reverse: every
// setting saved, "Torvane closed" logged, the tray icon removed.

#include <clocale>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/arguments.h"
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
        "Settings: $XDG_CONFIG_HOME/torvane/settings.json (default ~/.config).\n",
        StandardOptions()};
    return description;
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
    // Answered before a display, the settings or a socket is touched.
    if (const auto answered = torvane::AnswerArguments(
            torvane::Description(), std::vector<std::string>(argv + 1, argv + argc), stdout, stderr))
        return *answered;
    return torvane::Run(argc, argv);
}
