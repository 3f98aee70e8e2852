// SPDX-License-Identifier: GPL-2.0-or-later
// torvane-headless: Torvane without windows. The same core as the desktop
// program, its settings file and log included; what the windows would show
// is written to standard output, one "what: details" line per change, and
// the user's actions are read as commands from standard input:
//
//   search                  start a search (the Search button)
//   select N                select host row N (from 0); -1 for none
//   players                 show the selected server's players
//   launch                  launch the game into the selected server
//   tray N                  choose host entry N of the tray menu
//   busy on|off             tick or untick the Busy box
//   say TEXT / shout TEXT   chat through the users window
//   challenge               challenge the others to the selected server
//   accept / ignore / decline   answer the challenge dialog
//   quit                    save the settings and end (also on SIGINT, SIGTERM, SIGHUP, end of input)

#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "app/arguments.h"
#include "app/headlessview.h"
#include "app/maincore.h"
#include "app/shell.h"
#include "app/stopsignals.h"
#include "app/systemparts.h"
#include "platform/convert.h"

namespace torvane {
namespace {

const ProgramDescription& Description() {
    static const ProgramDescription description{
        "torvane-headless",
        "Torvane without windows: it finds Quake II servers on the local network,\n"
        "tells when a server appears, a player enters, a full server has room or a\n"
        "map changes, and chats with the other copies of Torvane. What the windows\n"
        "would show comes out as lines on standard output; commands come from\n"
        "standard input: search, select N, players, launch, tray N, busy on|off,\n"
        "say TEXT, shout TEXT, challenge, accept, ignore, decline, quit.\n"
        "Settings: $XDG_CONFIG_HOME/torvane/settings.json (default ~/.config).\n",
        StandardOptions()};
    return description;
}

void Report(const std::exception& e) {
    std::fprintf(stderr, "torvane-headless: %s\n", e.what());
}

// Carries out one command line; false for quit.
bool Command(const std::string& line, MainCore& core, HeadlessView& view) {
    const auto blank = line.find(' ');
    const std::string verb = line.substr(0, blank);
    const std::string rest = blank == std::string::npos ? "" : line.substr(blank + 1);
    if (verb == "quit") return false;
    if (verb == "search") {
        core.ConnectButtonClick();
    } else if (verb == "select") {
        view.SelectHostRow(StrToIntDef(rest, -1));
    } else if (verb == "players") {
        view.ShowPlayers();
    } else if (verb == "launch") {
        core.HostListViewDblClick();
    } else if (verb == "tray") {
        core.TrayHostEntryClick(StrToIntDef(rest, -1));
    } else if (verb == "busy") {
        core.SetBusyCheck(rest == "on");
    } else if (verb == "say" || verb == "shout") {
        view.SetMessageText(rest);
        verb == "say" ? core.UsersWindow().Button1Click() : core.UsersWindow().Button2Click();
    } else if (verb == "challenge") {
        core.Suggest1Click();
    } else if (verb == "accept") {
        core.SuggestForm().BitBtn1Click();
    } else if (verb == "ignore") {
        core.SuggestForm().BitBtn2Click();
    } else if (verb == "decline") {
        core.SuggestForm().BitBtn3Click();
    } else if (!verb.empty()) {
        std::fprintf(stderr, "torvane-headless: unknown command '%s'\n", verb.c_str());
    }
    return true;
}

// Reads standard input as it comes and carries out each whole line. Input
// that cannot be watched (a regular file, /dev/null) is always ready: it is
// read to its end at once, as soon as the loop runs, and its end ends the
// program as the end of a pipe does.
class CommandReader {
public:
    CommandReader(MessageLoop& loop, MainCore& core, HeadlessView& view)
        : loop_(loop), core_(core), view_(view) {
        id_ = loop.Watch(STDIN_FILENO, kWatchRead, [this](int, uint32_t, int) {
            if (ReadSome()) loop_.Reenable(id_, kWatchRead);
        });
        if (id_ == 0)
            loop.Post([this] {
                while (ReadSome()) {
                }
            });
    }
    ~CommandReader() {
        if (id_) loop_.Unwatch(id_);
    }

private:
    // Reads what is there and carries out its whole lines; false once the
    // input has ended or said quit, and the loop is told to end.
    bool ReadSome() {
        char chunk[4096];
        ssize_t n;
        while ((n = read(STDIN_FILENO, chunk, sizeof chunk)) < 0 && errno == EINTR) {
        }
        if (n <= 0) {
            // A last line without its line end is still a command.
            if (!pending_.empty()) Command(pending_, core_, view_);
            pending_.clear();
            loop_.Quit();
            return false;
        }
        pending_.append(chunk, static_cast<std::size_t>(n));
        for (auto end = pending_.find('\n'); end != std::string::npos; end = pending_.find('\n')) {
            const std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            if (!Command(line, core_, view_)) {
                loop_.Quit();
                return false;
            }
        }
        return true;
    }

    MessageLoop& loop_;
    MainCore& core_;
    HeadlessView& view_;
    WatchId id_ = 0;
    std::string pending_;
};

int Run() {
    MessageLoop loop;
    loop.SetExceptionHandler([](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            Report(e);
        }
    });

    // The signals that end a program end the loop like "quit", so the
    // settings are saved.
    StopSignals stop_signals(loop, [&loop] { loop.Quit(); });

    SystemParts system;
    HeadlessView view(stdout);
    Settings settings;
    {
        Shell shell(loop, settings, system.Seams(), view.Views(), system.Store());
        view.Watch(shell.Core());
        CommandReader commands(loop, shell.Core(), view);
        loop.Run();
    }
    return 0;
}

}  // namespace
}  // namespace torvane

int main(int argc, char** argv) {
    // Answered before anything else: no settings read, no socket opened.
    if (const auto answered = torvane::AnswerArguments(
            torvane::Description(), std::vector<std::string>(argv + 1, argv + argc), stdout, stderr))
        return *answered;
    torvane::StopSignals::Block();
    std::setlocale(LC_ALL, "");
    try {
        return torvane::Run();
    } catch (const torvane::EStartUpFailed&) {
        return 1;  // already told
    } catch (const std::exception& e) {
        torvane::Report(e);
        return 1;
    }
}
