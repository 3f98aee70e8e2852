// SPDX-License-Identifier: GPL-2.0-or-later
// A probe for the whole-program tests of torvane: preloaded into the real
// program (LD_PRELOAD), it answers questions about the windows and acts on
// them as a user would, over two descriptors the test hands down (requests
// on 3, answers on 4, one line each). Nothing here runs unless the test sets
// TORVANE_PROBE.
//
//   users               -> the rows of the users window's user list, "NAME|STATUS|MESSAGE" joined by ";"
//   chat                -> the rows of its chat list, "NAME|TEXT" joined by ";"
//   hosts               -> the rows of the main window's host list, "HOST|MAP|PLAYERS" joined by ";"
//   click WINDOW|BUTTON -> presses the button of that caption in the window of that class
//   type WINDOW|TEXT    -> puts TEXT into the window's text box
//   visible WINDOW      -> "yes" when the window of that class is on screen, else "no"
// The acting requests answer "done", or what was missing.

#include <unistd.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSocketNotifier>
#include <QWidget>
#include <cstdlib>
#include <string>

namespace {

constexpr int kRequests = 3;
constexpr int kAnswers = 4;

// A window by its class (main window and options dialog share a caption).
QWidget* Window(const QString& class_name) {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (QString(window->metaObject()->className()).section("::", -1) == class_name) return window;
    return nullptr;
}

// The rows of a window's list as it shows them, the given cells of each
// joined by "|"; the list is the one named `list_name`.
QString Rows(const QString& class_name, const QString& list_name, const std::vector<int>& columns) {
    QWidget* window = Window(class_name);
    auto* list = window ? window->findChild<QAbstractItemView*>(list_name) : nullptr;
    if (!list || !list->model()) return "no list";
    const QAbstractItemModel& model = *list->model();
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells;
        for (int column : columns) cells << model.index(row, column).data().toString();
        rows << cells.join('|');
    }
    return rows.join(';');
}

QString Click(const QString& class_name, const QString& button_text) {
    QWidget* window = Window(class_name);
    if (!window) return "no window";
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        if (button->text() != button_text) continue;
        button->click();
        return "done";
    }
    return "no button";
}

QString Type(const QString& class_name, const QString& text) {
    QWidget* window = Window(class_name);
    auto* edit = window ? window->findChild<QLineEdit*>() : nullptr;
    if (!edit) return "no box";
    edit->setText(text);
    return "done";
}

QString Answer(const QString& request) {
    const QString verb = request.section(' ', 0, 0);
    const QStringList arguments = request.section(' ', 1).split('|');
    if (verb == "users") return Rows("UsersWindow", "UserListView", {0, 1, 2});
    if (verb == "chat") return Rows("UsersWindow", "MessageListView", {0, 2});
    if (verb == "hosts") return Rows("TMainForm", "HostListView", {0, 1, 2});
    if (verb == "click" && arguments.size() == 2) return Click(arguments[0], arguments[1]);
    if (verb == "type" && arguments.size() == 2) return Type(arguments[0], arguments[1]);
    if (verb == "panel") {
        QWidget* window = Window("TMainForm");
        auto* label = window ? window->findChild<QLabel*>("StatusPanel" + arguments[0]) : nullptr;
        return label ? label->text() : "no panel";
    }
    if (verb == "visible") {
        QWidget* window = Window(arguments[0]);
        return window && window->isVisible() ? "yes" : "no";
    }
    return "unknown request";
}

void ServeRequests() {
    auto* notifier = new QSocketNotifier(kRequests, QSocketNotifier::Read, QCoreApplication::instance());
    auto pending = std::make_shared<std::string>();
    QObject::connect(notifier, &QSocketNotifier::activated, [notifier, pending] {
        char chunk[512];
        const ssize_t n = read(kRequests, chunk, sizeof chunk);
        if (n <= 0) {
            notifier->setEnabled(false);
            return;
        }
        pending->append(chunk, static_cast<std::size_t>(n));
        for (auto end = pending->find('\n'); end != std::string::npos; end = pending->find('\n')) {
            const QString request = QString::fromUtf8(pending->substr(0, end));
            pending->erase(0, end + 1);
            const std::string answer = Answer(request).toStdString() + "\n";
            (void)!write(kAnswers, answer.data(), answer.size());
        }
    });
}

void StartProbe() {
    if (std::getenv("TORVANE_PROBE")) ServeRequests();
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(StartProbe)
