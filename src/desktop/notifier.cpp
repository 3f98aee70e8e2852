// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

#include "desktop/toolkit/text.h"

namespace torvane {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// A service that does not answer within this long counts as none.
constexpr int kCallTimeoutMs = 5000;
// Notifications whose buttons are remembered; the same bound as the core's.
constexpr std::size_t kRememberedIds = TNotices::kRemembered;

}  // namespace

DesktopNotifier::DesktopNotifier(std::function<void(const Notice&)> fallback, QObject* parent)
    : QObject(parent), fallback_(std::move(fallback)) {}

void DesktopNotifier::Show(uint64_t id, const Notice& notice) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        fallback_(notice);
        return;
    }
    if (!listening_) {
        listening_ = true;
        bus.connect(QString(), kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                    SLOT(OnActionInvoked(uint, QString)));
        bus.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                    SLOT(OnNotificationClosed(uint, uint)));
    }
    QStringList actions;
    for (const NoticeAction& action : notice.Actions) actions << QText(action.Key) << QText(action.Label);
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("torvane"));
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("Torvane") << uint(0) << QStringLiteral("torvane") << QText(notice.Summary)
         << QText(NoticeMarkupText(notice.Body)) << actions << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), this);
    const bool has_buttons = !notice.Actions.empty();
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, notice, id, has_buttons](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<uint> reply = *finished;
                if (reply.isError()) {
                    fallback_(notice);
                    return;
                }
                if (!has_buttons) return;
                if (ids_.size() >= kRememberedIds) ids_.erase(ids_.begin());
                ids_[reply.value()] = id;
            });
}

void DesktopNotifier::OnActionInvoked(uint service_id, const QString& key) {
    const auto it = ids_.find(service_id);
    if (it == ids_.end()) return;
    const uint64_t id = it->second;
    emit ActionInvoked(id, key);
}

void DesktopNotifier::OnNotificationClosed(uint service_id, uint) {
    const auto it = ids_.find(service_id);
    if (it == ids_.end()) return;
    const uint64_t id = it->second;
    ids_.erase(it);
    emit Closed(id);
}

}  // namespace torvane
