// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/tray.h"

#include <QApplication>
#include <algorithm>

#include "desktop/icons.h"
#include "desktop/toolkit/text.h"

namespace torvane {

namespace {

// A host name is shown as it is: an '&' in it is no shortcut key.
QString MenuText(const std::string& caption) {
    return QText(caption).replace('&', "&&");
}

}  // namespace

QtTray::QtTray(std::function<bool()> available, QObject* parent)
    : QObject(parent), available_(std::move(available)) {
    separator_ = menu_.addSeparator();
    busy_ = menu_.addAction("Busy");
    busy_->setCheckable(true);
    busy_->setChecked(true);
    connect(busy_, &QAction::triggered, this, [this] { emit BusyChosen(); });
    connect(menu_.addAction("&Options"), &QAction::triggered, this, [this] { emit OptionsChosen(); });
    connect(menu_.addAction("E&xit"), &QAction::triggered, this, [this] { emit ExitChosen(); });
    icon_.setContextMenu(&menu_);
    connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) emit LeftClicked();
    });
}

void QtTray::ShowImage(int image) {
    if (image < 0 || static_cast<std::size_t>(image) >= images_.size()) return;
    QIcon& icon = images_[static_cast<std::size_t>(image)];
    if (icon.isNull()) icon = TrayImage(image);
    icon_.setIcon(icon);
    QApplication::setWindowIcon(icon);
}

void QtTray::SetToolTip(const std::string& text) {
    icon_.setToolTip(QText(text));
}

void QtTray::InsertHostEntry(int position, const std::string& caption) {
    const auto at = hosts_.begin() + position;
    QAction* before = at == hosts_.end() ? separator_ : *at;
    auto* entry = new QAction(MenuText(caption), &menu_);  // owned by the menu
    menu_.insertAction(before, entry);
    connect(entry, &QAction::triggered, this, [this, entry] {
        const auto found = std::find(hosts_.begin(), hosts_.end(), entry);
        if (found != hosts_.end()) emit HostEntryChosen(static_cast<int>(found - hosts_.begin()));
    });
    hosts_.insert(at, entry);
}

void QtTray::SetHostEntryCaption(int position, const std::string& caption) {
    hosts_[static_cast<std::size_t>(position)]->setText(MenuText(caption));
}

void QtTray::RemoveHostEntry(int position) {
    QAction* entry = hosts_[static_cast<std::size_t>(position)];
    hosts_.erase(hosts_.begin() + position);
    menu_.removeAction(entry);
    entry->deleteLater();
}

void QtTray::ShowMessage(const std::string& title, const std::string& text) {
    icon_.showMessage(QText(title), QText(text), icon_.icon(), 10000);
}

}  // namespace torvane
