#include "app/windowshells_qt.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "app/text_qt.h"
#include "settings/fileregistry.h"

namespace torvane {

namespace {

void ShowAndRaiseWindow(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

QTreeWidget* ReportList(QWidget* parent, const QStringList& columns, const std::vector<int>& widths) {
    auto* list = new QTreeWidget(parent);
    list->setHeaderLabels(columns);
    for (std::size_t i = 0; i < widths.size(); ++i) list->setColumnWidth(static_cast<int>(i), widths[i]);
    list->setRootIsDecorated(false);
    list->setSortingEnabled(false);
    list->header()->setSectionsClickable(false);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return list;
}

QPushButton* Button(const char* caption, QWidget* parent, QLayout* layout) {
    auto* button = new QPushButton(caption, parent);
    layout->addWidget(button);
    return button;
}

}  // namespace

OptionsShell::OptionsShell() {
    auto* layout = new QVBoxLayout(this);
    auto* where = new QLabel(this);
    where->setTextFormat(Qt::PlainText);
    where->setWordWrap(true);
    where->setText(QString("The settings are kept in\n%1").arg(QText(SettingsFilePath())));
    layout->addWidget(where);
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    connect(Button("&View log", this, buttons), &QPushButton::clicked, this, [this] {
        if (options_) options_->ViewLogClick();
    });
    connect(Button("Set &log file", this, buttons), &QPushButton::clicked, this, [this] {
        if (options_) options_->Button1Click();
    });
    QPushButton* ok = Button("OK", this, buttons);
    ok->setToolTip("Save options and hide window");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] {
        if (options_) options_->OkButtonClick();
    });
}

void OptionsShell::SetCaption(const std::string& text) {
    setWindowTitle(QText(text));
}

void OptionsShell::ShowAndRaise() {
    ShowAndRaiseWindow(this);
}

void OptionsShell::ShowError(const std::string& message) {
    QMessageBox::critical(this, "Torvane", QText(message));
}

std::optional<std::string> OptionsShell::RunSoundOpenDialog() {
    const QString path = QFileDialog::getOpenFileName(this, QString(), QString(), "MS Wave files (*.wav)");
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

std::optional<std::string> OptionsShell::RunLogSaveDialog() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(TOptions::kLogDefaultExtension);
    dialog.selectFile(QString(TOptions::kLogDefaultName) + "." + TOptions::kLogDefaultExtension);
    dialog.setNameFilters({"Text files (*.txt)", "All files (*)"});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

// The close box closes like OK: saved first, and kept open when the save
// fails.
void OptionsShell::closeEvent(QCloseEvent* event) {
    if (event->spontaneous() && options_ && !options_->FormClose()) {
        event->ignore();
        return;
    }
    event->accept();
}

UsersShell::UsersShell() {
    setWindowTitle("Torvane Users");
    resize(463, 351);
    auto* layout = new QVBoxLayout(this);
    UserListView = ReportList(this, {"Name", "Status", "Message"}, {80, 50, 280});
    UserListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    MessageListView = ReportList(this, {"Name", "Time", "Message"}, {80, 65, 300});
    layout->addWidget(UserListView, 2);
    layout->addWidget(MessageListView, 3);
    auto* bottom = new QHBoxLayout;
    layout->addLayout(bottom);
    QPushButton* shout = Button("Shout!!", this, bottom);
    shout->setToolTip("Broadcast a message and make all ready-users torvane popup");
    QPushButton* say = Button("&Say", this, bottom);
    say->setToolTip("Broadcast a message");
    say->setDefault(true);
    MessageEdit = new QLineEdit("Hi there!", this);
    bottom->addWidget(MessageEdit, 1);
    connect(UserListView, &QTreeWidget::itemClicked, this, [this] {
        if (users_) users_->UserListViewClick();
    });
    connect(say, &QPushButton::clicked, this, [this] {
        if (users_) users_->Button1Click();
    });
    connect(shout, &QPushButton::clicked, this, [this] {
        if (users_) users_->Button2Click();
    });
}

void UsersShell::SetUserRows(const std::vector<UserRow>& rows) {
    UserListView->setUpdatesEnabled(false);
    UserListView->clear();
    for (const UserRow& row : rows) {
        auto* item = new QTreeWidgetItem(UserListView);  // owned by the list
        item->setText(0, QText(row.Name));
        item->setText(1, QText(row.Status));
        item->setText(2, QText(row.Message));
    }
    UserListView->setUpdatesEnabled(true);
}

int UsersShell::SelectedUserRow() const {
    const auto selected = UserListView->selectedItems();
    return selected.isEmpty() ? -1 : UserListView->indexOfTopLevelItem(selected.first());
}

void UsersShell::SelectUserRow(size_t row) {
    if (QTreeWidgetItem* item = UserListView->topLevelItem(static_cast<int>(row))) {
        UserListView->setFocus();
        UserListView->setCurrentItem(item);
    }
}

void UsersShell::AddChatRow(const std::string& name, const std::string& time, const std::string& text) {
    auto* item = new QTreeWidgetItem(MessageListView);  // owned by the list
    item->setText(0, QText(name));
    item->setText(1, QText(time));
    item->setText(2, QText(text));
    MessageListView->scrollToItem(item);
}

void UsersShell::DeleteFirstChatRow() {
    std::unique_ptr<QTreeWidgetItem> gone(MessageListView->takeTopLevelItem(0));
}

std::string UsersShell::MessageText() const {
    return PlainText(MessageEdit->text());
}

void UsersShell::PopUp() {
    showNormal();
    ShowAndRaiseWindow(this);
}

SuggestShell::SuggestShell() {
    auto* layout = new QVBoxLayout(this);
    player_ = new QLabel(this);
    game_ = new QLabel(this);
    map_ = new QLabel(this);
    for (QLabel* label : {player_, game_, map_}) {
        label->setTextFormat(Qt::PlainText);
        layout->addWidget(label);
    }
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    connect(Button("&Accept", this, buttons), &QPushButton::clicked, this, [this] {
        if (form_) form_->BitBtn1Click();
    });
    connect(Button("&Ignore", this, buttons), &QPushButton::clicked, this, [this] {
        if (form_) form_->BitBtn2Click();
    });
    connect(Button("&Busy", this, buttons), &QPushButton::clicked, this, [this] {
        if (form_) form_->BitBtn3Click();
    });
}

void SuggestShell::SetPlayerLabel(const std::string& text) {
    player_->setText(QText(text));
}
void SuggestShell::SetGameLabel(const std::string& text) {
    game_->setText(QText(text));
}
void SuggestShell::SetMapLabel(const std::string& text) {
    map_->setText(QText(text));
}
void SuggestShell::SetCaption(const std::string& text) {
    setWindowTitle(QText(text));
}
void SuggestShell::ShowAndRaise() {
    ShowAndRaiseWindow(this);
}

}  // namespace torvane
