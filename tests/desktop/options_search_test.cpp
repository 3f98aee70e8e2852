// SPDX-License-Identifier: GPL-2.0-or-later
// The options dialog's face with the whole core behind it, on a private LAN
// since a search broadcasts: what is typed into the dialog is used by the
// search while the dialog stays open, and closing it closes the broadcast
// socket only when the port was changed.

#include <dirent.h>
#include <gtest/gtest.h>

#include <QTest>
#include <optional>

#include "app/core_fakes.h"
#include "app/shell.h"
#include "desktop/options.h"
#include "discovery/hosttable.h"
#include "settings/memoryregistry.h"
#include "settings/settings_fakes.h"
#include "support/fake_quake_server.h"
#include "support/isolated_lan.h"
#include "support/lan_hosts.h"

namespace torvane {
namespace {

using namespace test;

// Sockets this process holds open.
int OpenSockets() {
    int count = 0;
    DIR* fds = opendir("/proc/self/fd");
    if (!fds) return -1;
    while (const dirent* entry = readdir(fds)) {
        char target[64] = {};
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        if (readlink(link.c_str(), target, sizeof target - 1) > 0 &&
            std::string(target).starts_with("socket:"))
            ++count;
    }
    closedir(fds);
    return count;
}

// The program with the real options dialog and fakes for the other windows.
struct ProgramRig {
    ProgramRig() : dialog(settings) {
        shell.emplace(loop, settings, seams, ShellViews{views, dialog, places},
                      SettingsStore{store, autostart, "/usr/bin/torvane"});
        dialog.Attach(&shell->Options());
    }
    // One search with its window ended at once.
    void Search() {
        shell->Core().ConnectButtonClick();
        shell->Core().Cycle().BroadcastEnd();
    }
    static void Type(QLineEdit* edit, const QString& text) {
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    Journal journal;
    FakeWindows windows{journal};
    Settings settings;
    ManualClock clock;
    FakeProcesses processes;
    FakeSpawner spawner{journal};
    FakeSound sound{journal};
    FixedComputerName computer_name;
    MessageLoop loop;
    CoreSeams seams{clock, processes, spawner, sound, computer_name};
    FakeLog log_window{journal};
    FakeOptions places{journal};
    CoreViews views{windows, windows, windows, log_window};
    MemoryRegistry store;
    FakeAutostart autostart;
    OptionsDialog dialog;
    std::optional<Shell> shell;
};

TEST(OptionsWithTheCore, ATypedRetriesIsUsedByTheNextSearchEndWhileTheDialogStaysOpen) {
    SKIP_WITHOUT_PRIVATE_LAN();
    EXPECT_EQ(0, RunInIsolatedLan([] {
                  ProgramRig rig;
                  DeliveringSocket reply(StatusReplyDatagram("Friday", "q2dm1", 8), "10.99.0.12");
                  rig.shell->Core().Cycle().DataAvailable(reply);
                  rig.shell->Core().Cycle().BroadcastEnd();
                  ASSERT_EQ(rig.shell->Core().Hosts().size(), 1u);
                  rig.shell->Options().Show();

                  rig.Search();  // silent once: kept with 5 retries
                  ASSERT_EQ(rig.shell->Core().Hosts().size(), 1u);
                  ProgramRig::Type(rig.dialog.RetriesEdit->Edit(), "0");
                  rig.Search();
                  EXPECT_EQ(rig.shell->Core().Hosts().size(), 0u);
                  EXPECT_TRUE(rig.dialog.isVisible());
              }));
}

TEST(OptionsWithTheCore, ClosingWithAnotherPortClosesTheBroadcastSocketAndTheNextSearchUsesIt) {
    SKIP_WITHOUT_PRIVATE_LAN();
    EXPECT_EQ(0, RunInIsolatedLan([] {
                  const pid_t server =
                      StartFakeQuakeServer(1, 27911, {StatusReplyDatagram("Friday", "q2dm1", 8)});
                  {
                      ProgramRig rig;
                      const int open = OpenSockets();
                      ASSERT_GT(open, 0);

                      rig.shell->Options().Show();
                      rig.dialog.OkButton->click();
                      EXPECT_FALSE(rig.dialog.isVisible());
                      EXPECT_EQ(OpenSockets(), open);  // same port: kept open

                      rig.shell->Options().Show();
                      ProgramRig::Type(rig.dialog.PortEdit, "27911");
                      rig.dialog.close();  // the close box
                      EXPECT_FALSE(rig.dialog.isVisible());
                      EXPECT_EQ(OpenSockets(), open - 1);

                      // The next search opens it on the new port, where the server answers.
                      rig.shell->Core().ConnectButtonClick();
                      for (int i = 0; i < 300 && rig.shell->Core().Hosts().size() == 0; ++i)
                          rig.loop.WaitAndProcessMessages(10);
                      EXPECT_EQ(rig.shell->Core().Hosts().size(), 1u);
                  }
                  StopLanHost(server);
              }));
}

}  // namespace
}  // namespace torvane
