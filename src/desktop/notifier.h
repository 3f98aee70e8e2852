// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>

#include "app/notices.h"

namespace torvane {

// The desktop's notification service (org.freedesktop.Notifications on the
// session bus). A notification the service does not take, or every one when
// there is no session bus, goes to `fallback` instead (the tray balloon).
// The buttons the user chooses come back as signals with Torvane's own ids.
class DesktopNotifier final : public QObject {
    Q_OBJECT

public:
    explicit DesktopNotifier(std::function<void(const Notice&)> fallback, QObject* parent = nullptr);

    void Show(uint64_t id, const Notice& notice);

signals:
    void ActionInvoked(quint64 id, const QString& key);
    void Closed(quint64 id);

private slots:
    void OnActionInvoked(uint service_id, const QString& key);
    void OnNotificationClosed(uint service_id, uint reason);

private:
    std::function<void(const Notice&)> fallback_;
    bool listening_ = false;
    // The service's ids of the notifications with buttons, and ours.
    std::map<uint, uint64_t> ids_;
};

}  // namespace torvane
