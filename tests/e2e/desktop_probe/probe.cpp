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
//   menu WINDOW|LIST|ROW       -> right-clicks the row of that list whose first cell is ROW and
//                                 answers its menu's shown entries joined by ";" (a disabled
//                                 one with a leading "-"), then closes the menu
//   choose WINDOW|LIST|ROW|ENTRY -> the same, then chooses that entry of the menu
//   tip WINDOW|LIST|ROW|COLUMN -> the tip of that cell of the row, its lines joined by ";"
//   count LIST          -> how many rows the main window's list of that name shows
//   cells LIST|COLUMN   -> that column of every row it shows, joined by ";"
//   select LIST|ROW     -> selects the row (by its place) as a click would
//   entry TEXT          -> opens the host list's menu, as a right-click beside its rows would,
//                          and chooses the entry of that text; "greyed" when it is disabled
// The acting requests answer "done", or what was missing.

#include <unistd.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSocketNotifier>
#include <QWidget>
#include <cstdlib>
#include <functional>
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

// The index of the row of the list whose first cell reads `first_cell`.
QModelIndex RowOf(QAbstractItemView* list, const QString& first_cell) {
    const QAbstractItemModel* model = list ? list->model() : nullptr;
    if (!model) return {};
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->index(row, 0).data().toString() == first_cell) return model->index(row, 0);
    return {};
}

// Right-clicks that row as a user would: the row is selected, then the
// list asks for its menu, which is answered while it shows; `act` gets it.
QString WithMenu(const QStringList& arguments, const std::function<QString(QMenu&)>& act) {
    QWidget* window = Window(arguments[0]);
    auto* list = window ? window->findChild<QAbstractItemView*>(arguments[1]) : nullptr;
    const QModelIndex row = RowOf(list, arguments[2]);
    if (!row.isValid()) return "no row";
    if (list->selectionMode() != QAbstractItemView::NoSelection)
        list->selectionModel()->select(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    emit list->customContextMenuRequested(list->visualRect(row).center());
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return "no menu";
    const QString answer = act(*menu);
    menu->close();
    return answer;
}

QString MenuEntries(QMenu& menu) {
    QStringList entries;
    for (QAction* action : menu.actions())
        if (action->isVisible() && !action->isSeparator())
            entries << (action->isEnabled() ? "" : "-") + action->text();
    return entries.join(';');
}

QString Choose(QMenu& menu, const QString& entry) {
    for (QAction* action : menu.actions()) {
        if (!action->isVisible() || action->text() != entry) continue;
        if (!action->isEnabled()) return "disabled";
        action->trigger();
        return "done";
    }
    return "no entry";
}

QString Tip(const QStringList& arguments) {
    QWidget* window = Window(arguments[0]);
    auto* list = window ? window->findChild<QAbstractItemView*>(arguments[1]) : nullptr;
    const QModelIndex row = RowOf(list, arguments[2]);
    if (!row.isValid()) return "no row";
    return row.siblingAtColumn(arguments[3].toInt()).data(Qt::ToolTipRole).toString().replace('\n', ';');
}

QAbstractItemView* MainList(const QString& list_name) {
    QWidget* window = Window("TMainForm");
    return window ? window->findChild<QAbstractItemView*>(list_name) : nullptr;
}

QString Select(const QString& list_name, int row) {
    QAbstractItemView* list = MainList(list_name);
    if (!list || !list->model() || row < 0 || row >= list->model()->rowCount()) return "no row";
    list->selectionModel()->select(list->model()->index(row, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    return "done";
}

// The host list's menu opened where the user right-clicks, on a row or not,
// so that its entries follow the selection as it is.
QString ChooseFromMenu(const QString& text) {
    QAbstractItemView* list = MainList("HostListView");
    if (!list) return "no list";
    emit list->customContextMenuRequested(QPoint(1, 1));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return "no menu";
    QString answer = "no entry";
    for (QAction* action : menu->actions()) {
        if (action->text() != text) continue;
        answer = action->isEnabled() ? "done" : "greyed";
        if (action->isEnabled()) action->trigger();
        break;
    }
    menu->close();
    return answer;
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
    if (verb == "count") {
        QAbstractItemView* list = MainList(arguments[0]);
        return list && list->model() ? QString::number(list->model()->rowCount()) : "no list";
    }
    if (verb == "cells" && arguments.size() == 2)
        return Rows("TMainForm", arguments[0], {arguments[1].toInt()});
    if (verb == "select" && arguments.size() == 2) return Select(arguments[0], arguments[1].toInt());
    if (verb == "entry") return ChooseFromMenu(arguments[0]);
    if (verb == "click" && arguments.size() == 2) return Click(arguments[0], arguments[1]);
    if (verb == "type" && arguments.size() == 2) return Type(arguments[0], arguments[1]);
    if (verb == "panel") {
        QWidget* window = Window("TMainForm");
        auto* label = window ? window->findChild<QLabel*>("StatusPanel" + arguments[0]) : nullptr;
        return label ? label->text() : "no panel";
    }
    if (verb == "menu" && arguments.size() == 3) return WithMenu(arguments, MenuEntries);
    if (verb == "choose" && arguments.size() == 4)
        return WithMenu(arguments, [&](QMenu& menu) { return Choose(menu, arguments[3]); });
    if (verb == "tip" && arguments.size() == 4) return Tip(arguments);
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
