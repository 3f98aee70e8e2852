// SPDX-License-Identifier: GPL-2.0-or-later
// The tray icon's logic: picture, tip, host entries, clicks, minimising and
// the desktop without a notification area.

#include "app/tray.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace torvane {
namespace {

struct FakeTray final : TrayPlatform, TrayWindows {
    bool available = true;
    std::vector<std::string> calls;

    bool Available() const override { return available; }
    void Show() override { calls.push_back("shown"); }
    void ShowImage(int image) override { calls.push_back("image " + std::to_string(image)); }
    void SetToolTip(const std::string& text) override { calls.push_back("tip " + text); }
    void InsertHostEntry(int position, const std::string&) override {
        calls.push_back("insert " + std::to_string(position));
    }
    void SetHostEntryCaption(int position, const std::string& caption) override {
        calls.push_back("caption " + std::to_string(position) + " " + caption);
    }
    void RemoveHostEntry(int position) override { calls.push_back("remove " + std::to_string(position)); }
    void SetBusyEntryChecked(bool checked) override { calls.push_back(checked ? "busy on" : "busy off"); }
    void ShowMessage(const std::string& title, const std::string& text) override {
        calls.push_back("message " + title + ": " + text);
    }
    void Remove() override { calls.push_back("removed"); }
    void ShowMainWindow() override { calls.push_back("main window shown"); }
    void RestoreAndHideWindows() override { calls.push_back("windows hidden"); }
};

TEST(TrayIcon, StartsIdleWithAnEmptyTipAndCutsLongTipsTo63Characters) {
    FakeTray tray;
    TTrayIcon icon(tray, tray);
    icon.Add();
    EXPECT_EQ(tray.calls, (std::vector<std::string>{"image 0", "tip ", "shown"}));

    const std::string tip(70, 'x');
    icon.SetTip(tip);
    EXPECT_EQ(icon.Tip(), tip.substr(0, 63));
    EXPECT_EQ(tray.calls.back(), "tip " + tip.substr(0, 63));
    icon.SetTip("3 hosts, 7 players and 2 users");
    EXPECT_EQ(icon.Tip(), "3 hosts, 7 players and 2 users");

    icon.ShowImage(5);
    EXPECT_EQ(icon.Image(), 5);
}

TEST(TrayIcon, APictureIsPutUpOnlyWhenItChanges) {
    FakeTray tray;
    TTrayIcon icon(tray, tray);
    icon.Add();
    tray.calls.clear();
    for (int i = 0; i < 100; ++i) icon.ShowImage(1);  // a hundred servers found in a row
    icon.ShowImage(0);
    icon.ShowImage(0);
    icon.ShowImage(2);
    EXPECT_EQ(tray.calls, (std::vector<std::string>{"image 1", "image 0", "image 2"}));
    EXPECT_EQ(icon.Image(), 2);
}

TEST(TrayIcon, HostEntriesStayInTheTablesOrderThroughInsertsAndRemovals) {
    FakeTray tray;
    TTrayIcon icon(tray, tray);
    for (int i = 0; i < 3; ++i) {
        icon.InsertHostEntry(i);
        icon.SetHostEntryCaption(i, "Server" + std::to_string(i) + " 0/8");
    }
    icon.DeleteHostEntry(1);
    EXPECT_EQ(icon.HostEntries(), (std::vector<std::string>{"Server0 0/8", "Server2 0/8"}));
    EXPECT_EQ(tray.calls.back(), "remove 1");

    // Positions the table does not have are ignored, never out of bounds.
    tray.calls.clear();
    icon.DeleteHostEntry(2);
    icon.SetHostEntryCaption(-1, "x");
    icon.InsertHostEntry(5);
    EXPECT_TRUE(tray.calls.empty());
    EXPECT_EQ(icon.HostEntries().size(), 2u);
}

TEST(TrayIcon, TheLeftButtonShowsTheMainWindowAndNoOtherButtonDoesAnything) {
    FakeTray tray;
    TTrayIcon icon(tray, tray);
    icon.Click(TrayClick::kRight);  // the desktop pops up the menu itself
    icon.Click(TrayClick::kOther);
    EXPECT_TRUE(tray.calls.empty());
    icon.Click(TrayClick::kLeft);
    EXPECT_EQ(tray.calls, (std::vector<std::string>{"main window shown"}));
}

TEST(TrayIcon, MinimisingHidesTheWindowsInTheTrayOnlyWhereThereIsOne) {
    FakeTray tray;
    TTrayIcon icon(tray, tray);
    EXPECT_TRUE(icon.MinimizeHandling());
    EXPECT_EQ(tray.calls, (std::vector<std::string>{"windows hidden"}));
    EXPECT_FALSE(icon.StartShown(true));
    EXPECT_TRUE(icon.StartShown(false));

    // No notification area: the program must stay reachable.
    tray.available = false;
    tray.calls.clear();
    EXPECT_FALSE(icon.MinimizeHandling());
    EXPECT_TRUE(tray.calls.empty());
    EXPECT_TRUE(icon.StartShown(true));
}

TEST(TrayIcon, AnEventThatPopsTheWindowUpIsAlsoANotificationWhileTheIconIsThere) {
    FakeTray tray;
    TTrayIcon icon(tray, tray);
    icon.AnnounceEvent("New server \"Friday\" found on 10.99.0.12");
    EXPECT_TRUE(tray.calls.empty()) << "no icon yet";
    icon.Add();
    tray.calls.clear();
    icon.AnnounceEvent("New server \"Friday\" found on 10.99.0.12");
    icon.AnnounceEvent("");
    EXPECT_EQ(tray.calls,
              (std::vector<std::string>{"message Torvane: New server \"Friday\" found on 10.99.0.12"}));

    icon.Remove();
    icon.Remove();
    icon.AnnounceEvent("Ranger entered Friday");
    EXPECT_EQ(tray.calls.back(), "removed");
    EXPECT_EQ(std::count(tray.calls.begin(), tray.calls.end(), "removed"), 1);

    tray.available = false;
    icon.Add();
    tray.calls.clear();
    icon.AnnounceEvent("Ranger entered Friday");
    EXPECT_TRUE(tray.calls.empty());
}

}  // namespace
}  // namespace torvane
