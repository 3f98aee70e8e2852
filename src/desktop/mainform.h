#pragma once

#include <QCheckBox>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>
#include <array>

#include "app/mainview.h"
#include "app/tray.h"
#include "desktop/notifier.h"
#include "desktop/tray.h"

namespace torvane {

class MainCore;
class TOptions;

// The windows the main window shows and hides besides itself.
struct OtherWindows {
    QWidget* credits = nullptr;
    QWidget* users = nullptr;
    QWidget* options = nullptr;
};

// The main window: host and player lists, the bottom panel with its buttons
// and Busy box, the two-panel status bar, the host list's menu and the tray
// icon. It shows what the core tells it and hands every click to the core;
// closing it ends the program, minimising it goes to the tray.
class TMainForm final : public QWidget, public MainView {
    Q_OBJECT

public:
    explicit TMainForm(std::function<bool()> tray_available = &QSystemTrayIcon::isSystemTrayAvailable);

    // The core and the options dialog, once start-up has made them. Until
    // then the window's buttons do nothing.
    void Attach(MainCore* core, TOptions* options, const OtherWindows& others);

    TTrayIcon& Tray() { return tray_; }
    QtTray& TrayFace() { return tray_face_; }

    // MainView.
    void SetStatusText(int panel, const std::string& text) override;
    void ShowIconImage(int image) override { tray_.ShowImage(image); }
    void SetTrayTip(const std::string& text) override { tray_.SetTip(text); }
    void BeginHostUpdate() override { HostListView->setUpdatesEnabled(false); }
    void EndHostUpdate() override { HostListView->setUpdatesEnabled(true); }
    void AppendHostRow() override;
    void SetHostRow(int row, const std::string& host, const std::string& map,
                    const std::string& players) override;
    void SetHostRowImage(int row, int image) override;
    void DeleteHostRow(int row) override;
    int SelectedHostRow() const override;
    void InsertTrayHostEntry(int position) override { tray_.InsertHostEntry(position); }
    void SetTrayHostEntryCaption(int position, const std::string& caption) override {
        tray_.SetHostEntryCaption(position, caption);
    }
    void DeleteTrayHostEntry(int position) override { tray_.DeleteHostEntry(position); }
    void BeginPlayersUpdate() override { PlayersListView->setUpdatesEnabled(false); }
    void EndPlayersUpdate() override { PlayersListView->setUpdatesEnabled(true); }
    void ClearPlayers() override { PlayersListView->clear(); }
    void AddPlayerRow(const std::string& name, const std::string& frags) override;
    void ShowMainWindow() override { show(); }
    void RestoreApplication() override;
    void BringToFront() override;
    void ShowNotice(uint64_t id, const Notice& notice) override { notifier_.Show(id, notice); }
    void ShowBusy(bool box_checked, bool menu_checked) override;
    void ShowOptionsOnInfoPage() override;
    void ShowLaunchFailure(const std::string& message) override;
    void RemoveTrayIcon() override { tray_.Remove(); }

    // The parts the window tests reach.
    QTreeWidget* HostListView;
    QTreeWidget* PlayersListView;
    QPushButton* ConnectButton;
    QPushButton* Button2;
    QPushButton* OptionButton;
    QCheckBox* BusyCheck;
    QPushButton* CreditButton;
    QMenu* HostPopupMenu;
    std::array<QLabel*, 2> StatusPanels;

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

    void BuildLists();
    QWidget* BuildBottomPanel();
    QWidget* BuildStatusBar();
    void ConnectTray();

    // The two marks a host row can carry, painted once: every row shares
    // one of them instead of holding a picture of its own.
    const std::array<QIcon, 2> host_marks_;
    QtTray tray_face_;
    TrayWindowsOfMain tray_windows_{*this};
    TTrayIcon tray_;
    // Notifications; the tray balloon where the desktop has no service.
    DesktopNotifier notifier_{[this](const Notice& notice) { tray_.AnnounceEvent(notice.Body); }};
    MainCore* core_ = nullptr;
    TOptions* options_ = nullptr;
    OtherWindows others_;
};

}  // namespace torvane
