// SPDX-License-Identifier: GPL-2.0-or-later
// The options dialog's face: its controls write the settings record at
// once, the up-down fields step and write plain digits, the pages it opens
// on, the failing close that keeps it open, and the ".." buttons with their
// previewing file dialog.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "desktop/options.h"
#include "modal_helper.h"
#include "settings/memoryregistry.h"
#include "settings/settings_fakes.h"
#include "support/fake_services.h"
#include "support/tempdir.h"

namespace torvane {
namespace {

using namespace test;

// The rest of the program as the dialog's logic reaches it.
struct RecordingHost final : OptionsHost {
    std::vector<std::string> calls;
    std::vector<std::string> previews;
    std::string log_file;
    Journal logged;
    FakeLogSink log{logged};

    void SetLogFile(const std::string& path) override { log_file = path; }
    std::string LogFile() const override { return log_file; }
    void SetLogEnabled(bool enabled) override { calls.push_back(enabled ? "logging on" : "logging off"); }
    void ShowLogWindow() override { calls.push_back("log window"); }
    void SetShowHints(bool show) override { calls.push_back(show ? "hints on" : "hints off"); }
    void PlaceWindows(const WindowGeometry&) override {}
    WindowGeometry WindowPlaces() const override { return {}; }
    void ShowMainWindowAtStart(bool) override {}
    void SetStayOnTop(bool, bool) override { calls.push_back("stay on top"); }
    void SetBusyCheck(bool) override {}
    void SetBusy1(bool) override {}
    void StartSearch() override {}
    void ApplyBroadcastInterval() override { calls.push_back("interval"); }
    void ClosePortIfChanged() override { calls.push_back("port checked"); }
    void PreviewSound(const std::string& path) override { previews.push_back(path); }
};

struct DialogRig {
    DialogRig()
        : dialog(settings),
          options(settings, {store, autostart, "/usr/bin/torvane"}, dialog, host, host.log) {
        dialog.Attach(&options);
        host.calls.clear();
    }
    // Replaces the text of `edit` the way a user does: select all, type.
    static void Type(QLineEdit* edit, const QString& text) {
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    Settings settings;
    MemoryRegistry store;
    FakeAutostart autostart;
    RecordingHost host;
    OptionsDialog dialog;
    TOptions options;
};

TEST(OptionsWindow, EveryControlWritesTheRecordAtOnceAndRunsItsHandler) {
    DialogRig rig;
    rig.dialog.show();

    DialogRig::Type(rig.dialog.RetriesEdit->Edit(), "0");
    EXPECT_EQ(rig.settings.Retries, "0");
    DialogRig::Type(rig.dialog.PortEdit, "27911");
    EXPECT_EQ(rig.settings.Port, "27911");
    DialogRig::Type(rig.dialog.BusyEdit, "brb");
    EXPECT_EQ(rig.settings.BusyMessage, "brb");
    DialogRig::Type(rig.dialog.WanEdit[2], "q2.lan");
    EXPECT_EQ(rig.settings.Wan[2].Address, "q2.lan");
    DialogRig::Type(rig.dialog.BuddiesEdit, "Ranger, Grunt*");
    EXPECT_EQ(rig.settings.Buddies, "Ranger, Grunt*");

    rig.dialog.EventChecks[3][1]->click();  // "Launch Quake2" of "If map changes"
    EXPECT_TRUE(rig.settings.Event(EventKind::NewMap).Launch);
    EXPECT_FALSE(rig.settings.Event(EventKind::NewMap).Popup);
    rig.dialog.PortNEnable[1]->click();
    EXPECT_TRUE(rig.settings.Port3Enable);
    rig.dialog.SkillRadio->button(2)->click();
    EXPECT_EQ(rig.settings.Skill, 2);
    rig.dialog.Paranoia->button(1)->click();
    EXPECT_EQ(rig.settings.Paranoia, 1);

    // The three boxes with handlers run them after the record has changed.
    rig.dialog.HintCheck->click();
    rig.dialog.CheckBroadcast->click();
    rig.dialog.LogCheck->click();
    EXPECT_FALSE(rig.settings.ShowHints);
    EXPECT_FALSE(rig.settings.Broadcast);
    EXPECT_FALSE(rig.settings.LogEnabled);
    EXPECT_EQ(rig.host.calls, (std::vector<std::string>{"hints off", "interval", "logging off"}));
    EXPECT_TRUE(rig.dialog.isVisible());
}

TEST(OptionsWindow, ShowingTheRecordRunsNoHandlerAndWritesNothingBack) {
    DialogRig rig;
    rig.settings.ShowHints = false;
    rig.settings.Broadcast = false;
    rig.settings.BCInterval = "120";
    rig.settings.Skill = -1;
    rig.settings.MaxChatLines = 300;
    rig.settings.Quake2BaseDir = "/home/g\xc3\xbcnter/quake2";  // a UTF-8 path
    rig.dialog.ShowSettings();

    EXPECT_TRUE(rig.host.calls.empty());
    EXPECT_FALSE(rig.dialog.HintCheck->isChecked());
    EXPECT_FALSE(rig.dialog.CheckBroadcast->isChecked());
    EXPECT_EQ(rig.dialog.BroadcastEdit->text(), "120");
    EXPECT_EQ(rig.dialog.Edit4->text(), "300");
    EXPECT_EQ(rig.dialog.SkillRadio->checkedId(), -1);
    EXPECT_EQ(rig.settings.Skill, -1);
    // Paths keep their bytes both ways.
    EXPECT_EQ(rig.dialog.BaseDirEdit->text(), QString::fromUtf8("/home/g\xc3\xbcnter/quake2"));
    rig.dialog.BaseDirEdit->setText(
        QString::fromUtf8("/home/j\xc3\xb6rg/q2"));  // as an input method types it
    EXPECT_EQ(rig.settings.Quake2BaseDir, "/home/j\xc3\xb6rg/q2");
}

TEST(OptionsWindow, UpDownArrowsStepWithinTheirRangeAndWritePlainDigits) {
    DialogRig rig;
    UpDownEdit* interval = rig.dialog.BroadcastEdit;
    DialogRig::Type(interval->Edit(), "990");
    interval->stepBy(1);
    EXPECT_EQ(rig.settings.BCInterval, "1000");  // no thousands separator
    DialogRig::Type(interval->Edit(), "3590");
    interval->stepBy(5);
    EXPECT_EQ(rig.settings.BCInterval, "3600");  // stops at the top, no wrap
    DialogRig::Type(interval->Edit(), "15");
    interval->stepBy(-1);
    EXPECT_EQ(rig.settings.BCInterval, "10");

    // A typed number is kept as typed, whatever its size or form.
    DialogRig::Type(interval->Edit(), "99999");
    EXPECT_EQ(rig.settings.BCInterval, "99999");
    DialogRig::Type(interval->Edit(), "ten");
    EXPECT_EQ(rig.settings.BCInterval, "ten");

    rig.dialog.RetriesEdit->stepBy(-10);
    EXPECT_EQ(rig.settings.Retries, "0");

    // The chat limit is the up-down position: typed numbers move it within
    // its range, other texts leave it.
    DialogRig::Type(rig.dialog.Edit4->Edit(), "7");
    EXPECT_EQ(rig.settings.MaxChatLines, 7);
    rig.dialog.Edit4->stepBy(-5);
    EXPECT_EQ(rig.dialog.Edit4->text(), "5");
    EXPECT_EQ(rig.settings.MaxChatLines, 5);
    DialogRig::Type(rig.dialog.Edit4->Edit(), "5000");
    EXPECT_EQ(rig.settings.MaxChatLines, kMaxChatLines);
    DialogRig::Type(rig.dialog.Edit4->Edit(), "x");
    EXPECT_EQ(rig.settings.MaxChatLines, kMaxChatLines);
}

TEST(OptionsWindow, OpensOnTheLogPageUntilBusySelectsInfoWithTheMessageSelected) {
    DialogRig rig;
    EXPECT_EQ(rig.dialog.windowTitle(), "Torvane 2.13");
    ASSERT_EQ(rig.dialog.PageControl1->count(), 6);
    const QStringList pages = {"General", "Network", "Events", "Game", "Info", "Log"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(rig.dialog.PageControl1->tabText(i), pages[i]);
    rig.options.Show();
    EXPECT_EQ(rig.dialog.PageControl1->currentWidget(), rig.dialog.TabSheets[5]);
    EXPECT_FALSE(rig.dialog.QuakeGroup->isEnabled());
    EXPECT_TRUE(rig.dialog.CommandEdit->isEnabled());
    rig.dialog.hide();

    rig.options.ShowOnInfoPage();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.dialog));
    EXPECT_EQ(rig.dialog.PageControl1->currentWidget(), rig.dialog.TabSheets[4]);
    EXPECT_EQ(QApplication::focusWidget(), rig.dialog.BusyEdit);
    EXPECT_EQ(rig.dialog.BusyEdit->selectedText(), "Sorry, reality calls");
}

TEST(OptionsWindow, AFailingCloseShowsTheMessageAndStaysOpenAndAGoodOneSavesAndHides) {
    DialogRig rig;
    rig.options.Show();
    DialogRig::Type(rig.dialog.PortEdit, "27910x");
    QString title, text;
    bool answered = false;
    const auto answerer = AnswerNextModal<QMessageBox>(
        [&](QMessageBox* box) {
            title = box->windowTitle();
            text = box->text();
            box->accept();
        },
        &answered);
    rig.dialog.OkButton->click();
    EXPECT_TRUE(answered);
    EXPECT_EQ(title, "Torvane");
    EXPECT_EQ(text, "Port: '27910x' is not a valid integer value");
    // The field to mend is on top with its text selected.
    EXPECT_EQ(rig.dialog.PageControl1->currentWidget(), rig.dialog.TabSheets[1]);
    EXPECT_EQ(rig.dialog.focusWidget(), rig.dialog.PortEdit);
    EXPECT_EQ(rig.dialog.PortEdit->selectedText(), "27910x");
    EXPECT_TRUE(rig.dialog.isVisible());
    EXPECT_TRUE(rig.host.calls.empty());  // steps 2 to 5 did not run

    // The close box closes like OK once the port is mended.
    DialogRig::Type(rig.dialog.PortEdit, "27920");
    rig.dialog.close();
    EXPECT_FALSE(rig.dialog.isVisible());
    EXPECT_EQ(rig.host.calls, (std::vector<std::string>{"port checked", "stay on top"}));
    ASSERT_TRUE(rig.store.OpenKey("\\Software\\Torvane", false));
    EXPECT_EQ(rig.store.ReadInteger("Port"), 27920);
}

// What the Qt layer adds to the two server lists: Enter in an address
// field adds the address instead of closing the dialog, a refused one
// leaves the field focused with its text, and Remove takes the selected row
// and is greyed while none is.
TEST(OptionsWindow, EnterAddsATypedServerAndRemoveTakesTheSelectedOne) {
    DialogRig rig;
    rig.options.Show();
    rig.dialog.SelectPage(OptionsPage::kNetwork);
    QLineEdit* favourite = rig.dialog.ServerEntries[static_cast<size_t>(ServerList::kFavorites)];
    QListWidget* favourites = rig.dialog.ServerLists[static_cast<size_t>(ServerList::kFavorites)];
    QPushButton* remove = rig.dialog.RemoveButtons[static_cast<size_t>(ServerList::kFavorites)];
    favourite->setFocus();
    QTest::keyClicks(favourite, "10.99.0.12");
    QTest::keyClick(favourite, Qt::Key_Return);
    QTest::keyClicks(favourite, "q2.example.test:27911");
    QTest::keyClick(favourite, Qt::Key_Enter);
    EXPECT_TRUE(rig.dialog.isVisible()) << "Enter in the field does not close the dialog";
    EXPECT_EQ(rig.settings.Favorites, "10.99.0.12:27910 q2.example.test:27911");
    ASSERT_EQ(favourites->count(), 2);
    EXPECT_EQ(favourites->item(0)->text(), "10.99.0.12:27910");
    EXPECT_TRUE(favourite->text().isEmpty());

    QString text;
    const auto answerer = AnswerNextModal<QMessageBox>([&](QMessageBox* box) {
        text = box->text();
        box->accept();
    });
    QLineEdit* master = rig.dialog.ServerEntries[static_cast<size_t>(ServerList::kMasters)];
    QTest::keyClicks(master, "master:0");
    rig.dialog.AddButtons[static_cast<size_t>(ServerList::kMasters)]->click();
    EXPECT_EQ(text, "Master servers: 0 is not a port from 1 to 65535");
    EXPECT_EQ(rig.dialog.focusWidget(), master);
    EXPECT_EQ(master->selectedText(), "master:0");
    EXPECT_EQ(rig.dialog.ServerLists[static_cast<size_t>(ServerList::kMasters)]->count(), 0);

    EXPECT_FALSE(remove->isEnabled());
    favourites->setCurrentRow(0);
    ASSERT_TRUE(remove->isEnabled());
    remove->click();
    EXPECT_EQ(rig.settings.Favorites, "q2.example.test:27911");
    ASSERT_EQ(favourites->count(), 1);
    EXPECT_EQ(favourites->item(0)->text(), "q2.example.test:27911");
    EXPECT_FALSE(remove->isEnabled()) << "the list shown afresh has nothing selected";
}

// The ".." buttons, each with a wave file of its own in one folder.
class SoundButtons : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 1; i <= 7; ++i) {
            const auto path = dir.Path() / ("sound" + std::to_string(i) + ".wav");
            std::ofstream(path) << "RIFF";
            files.push_back(path.string());
        }
    }
    // Presses button `index`; the file dialog highlights `highlight` (when
    // given) and then opens `choose`, or is cancelled when that is empty.
    void Press(size_t index, const std::string& highlight, const std::string& choose) {
        bool answered = false;
        const auto answerer = AnswerNextModal<QFileDialog>(
            [&, highlight, choose](QFileDialog* dialog) {
                filters = dialog->nameFilters();
                if (!highlight.empty()) Highlight(dialog, QString::fromStdString(highlight));
                if (choose.empty()) {
                    dialog->reject();
                } else {
                    ChooseFile(dialog, QString::fromStdString(choose));
                }
            },
            &answered);
        rig.dialog.SpeedButtons[index]->click();
        EXPECT_TRUE(answered);
    }

    // Moves the dialog's current file to `path`, as a click or an arrow key
    // in its list does. The folder is read in the background first.
    static void Highlight(QFileDialog* dialog, const QString& path) {
        dialog->setDirectory(QFileInfo(path).absolutePath());
        auto* model = dialog->findChild<QFileSystemModel*>();
        auto* list = dialog->findChild<QListView*>("listView");
        ASSERT_TRUE(model && list);
        QTRY_VERIFY_WITH_TIMEOUT(
            model->index(path).isValid() && model->rowCount(model->index(path).parent()) == 7, 10000);
        list->setCurrentIndex(model->index(path));
    }

    TempDir dir;
    std::vector<std::string> files;
    QStringList filters;
    DialogRig rig;
};

TEST_F(SoundButtons, EachButtonSetsOnlyItsOwnSoundAndCancelKeepsIt) {
    const std::array<SoundChoice, 7> order = {
        SoundChoice::kNewHost, SoundChoice::kNewPlayer, SoundChoice::kNotFull, SoundChoice::kNewMap,
        SoundChoice::kShout,   SoundChoice::kSuggest,   SoundChoice::kMessage};
    for (size_t i = 0; i < order.size(); ++i) {
        Press(i, "", files[i]);
        for (size_t j = 0; j < order.size(); ++j) {
            EXPECT_EQ(SoundOf(rig.settings, order[j]), j <= i ? files[j] : "") << "button " << i + 1;
        }
    }
    EXPECT_EQ(filters, QStringList{"MS Wave files (*.wav)"});
    EXPECT_TRUE(rig.host.previews.empty());

    // A highlighted file plays at once; cancelling keeps the old choice.
    Press(4, files[6], "");
    EXPECT_EQ(rig.host.previews.front(), files[6]);
    EXPECT_EQ(rig.settings.ShoutSound, files[4]);
    EXPECT_EQ(rig.dialog.SpeedButtons[4]->toolTip().toStdString(), files[4]);
}

// Torvane runs on a Linux desktop: no text of the dialog speaks of Windows,
// its drives or its programs.
TEST(OptionsWindow, NoTextSpeaksOfWindowsDrivesOrPrograms) {
    DialogRig rig;
    QStringList texts;
    for (QWidget* widget : rig.dialog.findChildren<QWidget*>()) {
        texts << widget->toolTip();
        if (auto* label = qobject_cast<QLabel*>(widget)) texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) texts << button->text();
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) texts << edit->text();
        if (auto* group = qobject_cast<QGroupBox*>(widget)) texts << group->title();
    }
    ASSERT_GT(texts.size(), 100);
    EXPECT_TRUE(texts.contains("/usr/share/games/quake2"));
    for (const QString& text : texts) {
        for (const char* leftover : {".exe", ":\\", "windows starts", "backslash"})
            EXPECT_FALSE(text.contains(leftover, Qt::CaseInsensitive)) << text.toStdString();
        EXPECT_FALSE(text.contains("Windows")) << text.toStdString();
    }
}

TEST(OptionsWindow, TheLogFileDialogOffersTvnlogAsTextFile) {
    DialogRig rig;
    TempDir dir;
    const std::string chosen = (dir.Path() / "friday").string();
    QStringList filters;
    QString suggested;
    const auto answerer = AnswerNextModal<QFileDialog>([&](QFileDialog* dialog) {
        filters = dialog->nameFilters();
        suggested = dialog->selectedFiles().value(0);
        ChooseFile(dialog, QString::fromStdString(chosen));
    });
    rig.dialog.Button1->click();
    EXPECT_EQ(filters, (QStringList{"Text files (*.txt)", "All files (*)"}));
    EXPECT_TRUE(suggested.endsWith("/tvnlog.txt")) << suggested.toStdString();
    EXPECT_EQ(rig.host.log_file, chosen + ".txt");
}

}  // namespace
}  // namespace torvane
