// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <array>
#include <functional>
#include <vector>

#include "app/tray.h"

namespace torvane {

// The notification-area icon through QSystemTrayIcon, with its menu: the
// host entries, a separator, "Busy", "&Options" and "E&xit". The desktop
// pops the menu up on a right click itself. Failures of the tray are the
// desktop's business: the window works without the icon.
class QtTray final : public QObject, public TrayPlatform {
    Q_OBJECT

public:
    // `available` answers whether the desktop has a notification area;
    // tests give their own answer.
    explicit QtTray(std::function<bool()> available = &QSystemTrayIcon::isSystemTrayAvailable,
                    QObject* parent = nullptr);

    bool Available() const override { return available_(); }
    void Show() override { icon_.show(); }
    void ShowImage(int image) override;
    void SetToolTip(const std::string& text) override;
    void InsertHostEntry(int position, const std::string& caption) override;
    void SetHostEntryCaption(int position, const std::string& caption) override;
    void RemoveHostEntry(int position) override;
    void SetBusyEntryChecked(bool checked) override { busy_->setChecked(checked); }
    void ShowMessage(const std::string& title, const std::string& text) override;
    void Remove() override { icon_.hide(); }

    QMenu& Menu() { return menu_; }
    QAction& BusyEntry() { return *busy_; }
    QSystemTrayIcon& Icon() { return icon_; }

signals:
    void LeftClicked();
    void HostEntryChosen(int position);
    void BusyChosen();
    void OptionsChosen();
    void ExitChosen();

private:
    std::function<bool()> available_;
    QMenu menu_;
    QSystemTrayIcon icon_;
    std::vector<QAction*> hosts_;  // owned by the menu
    // Each picture is painted once, at its first showing.
    std::array<QIcon, 6> images_;
    QAction* separator_;
    QAction* busy_;
};

}  // namespace torvane
