// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QCheckBox>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTreeView>
#include <QWidget>
#include <array>
#include <memory>

#include "app/mainview.h"
#include "app/tray.h"
#include "desktop/hostmodel.h"
#include "desktop/notifier.h"
#include "desktop/tray.h"
#include "discovery/hostlistener.h"
#include "settings/settings.h"

namespace torvane {

class MainCore;
class TOptions;

// The windows the main window shows and hides besides itself.
struct OtherWindows {
    QWidget* credits = nullptr;
    QWidget* users = nullptr;
    QWidget* options = nullptr;
};

// The main window: host and player lists side by side on a splitter, the
// bottom panel with its buttons and Busy box, the two-panel status bar, the
// host list's menu and the tray icon. The lists are views on models of the
// host table; a click on a header sorts by that column, until then the rows
// keep the table's order. It hands every click to the core; closing it ends
// the program, minimising it goes to the tray.
class TMainForm final : public QWidget, public MainView, public HostTableListener {
    Q_OBJECT

public:
    explicit TMainForm(std::function<bool()> tray_available = &QSystemTrayIcon::isSystemTrayAvailable);

    // The core and the options dialog, once start-up has made them. Until
    // then the window's buttons do nothing and its lists stay empty.
    void Attach(MainCore* core, TOptions* options, const OtherWindows& others);

    // The window's size, place, split, column widths and sorts, from the
    // settings and back.
    void Place(const WindowGeometry& geometry);
    void TakePlace(WindowGeometry& geometry) const;

    // The selected server's players, or none.
    void ShowPlayers();

    TTrayIcon& Tray() { return tray_; }
    QtTray& TrayFace() { return tray_face_; }

    // MainView.
    void SetStatusText(int panel, const std::string& text) override;
    void ShowIconImage(int image) override { tray_.ShowImage(image); }
    void SetTrayTip(const std::string& text) override { tray_.SetTip(text); }
    int SelectedHostRow() const override;
    void ShowMainWindow() override { show(); }
    void RestoreApplication() override;
    void BringToFront() override;
    void ShowNotice(uint64_t id, const Notice& notice) override { notifier_.Show(id, notice); }
    void ShowBusy(bool box_checked, bool menu_checked) override;
    void ShowOptionsOnInfoPage() override;
    void ShowLaunchFailure(const std::string& message) override;
    void RemoveTrayIcon() override { tray_.Remove(); }

    // HostTableListener: the player list follows the end of each search.
    void SearchEnded(const std::string&) override { ShowPlayers(); }

    // The parts the window tests reach.
    QSplitter* Lists;
    QTreeView* HostListView;
    QTreeView* PlayersListView;
    PlayerListModel Players;
    SortedList SortedPlayers{&Players};
    // Made by Attach, over the core's host table.
    std::unique_ptr<HostListModel> Hosts;
    SortedHostList SortedHosts{nullptr};
    QPushButton* ConnectButton;
    QPushButton* Button2;
    QPushButton* OptionButton;
    QCheckBox* BusyCheck;
    QPushButton* CreditButton;
    QMenu* HostPopupMenu;
    // Its entries beyond Play and Challenge: "Add to favourites" (greyed
    // while no server is selected or the selected one is a favourite
    // already) and the check "Show master-listed servers".
    QAction* AddToFavourites;
    QAction* ShowMasterListed;
    // Entries of the host menu that change with the server: waiting for
    // room, its join link; and the sort of servers with buddies first.
    QAction* RoomAction;
    QAction* CopyLinkAction;
    QAction* BuddiesFirstAction;
    // The player list's menu: "Add to buddies" or "Remove from buddies".
    QMenu* PlayerPopupMenu;
    QAction* BuddyAction;
    std::array<QLabel*, 2> StatusPanels;

    // The host menu's entries as they stand for the selected server; run
    // each time before the menu shows.
    void UpdateHostMenu();
    // The player menu's entry for the player at `row` of the player list as
    // it shows; false when there is none.
    bool UpdatePlayerMenu(int row);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What the tray icon does with the windows.
    struct TrayWindowsOfMain final : TrayWindows {
        explicit TrayWindowsOfMain(TMainForm& form) : form(form) {}
        void ShowMainWindow() override { form.ShowFromTray(); }
        void RestoreAndHideWindows() override { form.RestoreAndHideWindows(); }
        TMainForm& form;
    };
    void ShowFromTray();
    void RestoreAndHideWindows();

    // The core's answers about each row, as the host list marks them.
    struct CoreRowMarks final : HostRowMarks {
        explicit CoreRowMarks(const MainCore& core) : core(core) {}
        bool HasBuddies(std::size_t index) const override;
        std::vector<std::string> BuddiesOn(std::size_t index) const override;
        bool WaitingForRoom(std::size_t index) const override;
        const MainCore& core;
    };

    void BuildLists();
    void BuildMenus();
    void SetBuddiesFirst(bool on);
    void EditBuddies();
    QWidget* BuildBottomPanel();
    QWidget* BuildStatusBar();
    void ConnectTray();
    // Whether the selected server can become a favourite.
    bool CanAddFavourite() const;
    void ApplyListPlaces();

    // The two marks a host row can carry, painted once: every row shares
    // one of them instead of holding a picture of its own.
    const std::array<QIcon, 2> host_marks_;
    const QIcon buddy_mark_;
    const QIcon waiting_mark_;
    std::unique_ptr<CoreRowMarks> row_marks_;
    std::string menu_player_;  // the name the player menu was opened on
    QtTray tray_face_;
    TrayWindowsOfMain tray_windows_{*this};
    TTrayIcon tray_;
    std::unique_ptr<TrayHostEntries> tray_entries_;
    // Notifications; the tray balloon where the desktop has no service.
    DesktopNotifier notifier_{[this](const Notice& notice) { tray_.AnnounceEvent(notice.Body); }};
    MainCore* core_ = nullptr;
    TOptions* options_ = nullptr;
    // The lists' stored widths and sorts: the host list has no columns
    // until the core is attached, which comes after the window is placed.
    WindowGeometry list_places_;
    OtherWindows others_;
};

}  // namespace torvane
