// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/userform.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>
#include <optional>

#include "desktop/toolkit/fonts.h"
#include "desktop/toolkit/reportlist.h"
#include "desktop/toolkit/text.h"

namespace torvane {

namespace {

constexpr int kBottomPanelHeight = 41;
constexpr int kInfoMinimumWidth = 60;
constexpr int kTopMinimumHeight = 50;

QTreeWidgetItem* Row(QTreeWidget* list, const QStringList& cells) {
    return new QTreeWidgetItem(list, cells);  // owned by the list
}

std::optional<size_t> RowOf(const QItemSelection& selection) {
    const QModelIndexList rows = selection.indexes();
    if (rows.isEmpty()) return std::nullopt;
    return static_cast<size_t>(rows.first().row());
}

}  // namespace

UsersWindow::UsersWindow() {
    const WindowGeometry built_in;
    info_width_ = built_in.UserListWidth;
    top_height_ = built_in.TopPanelHeight;
    setWindowFlags(Qt::Window);
    setWindowTitle("Torvane Users");
    resize(built_in.UsersWidth, built_in.UsersHeight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    HSplitter = new QSplitter(Qt::Vertical, this);
    HSplitter->setHandleWidth(3);
    HSplitter->setChildrenCollapsible(false);
    layout->addWidget(HSplitter, 1);

    TopPanel = new QWidget(HSplitter);
    TopPanel->setMinimumHeight(kTopMinimumHeight);
    auto* top = new QHBoxLayout(TopPanel);
    top->setContentsMargins(0, 0, 0, 0);
    VSplitter = new QSplitter(Qt::Horizontal, TopPanel);
    VSplitter->setHandleWidth(4);
    VSplitter->setChildrenCollapsible(false);
    top->addWidget(VSplitter);

    UserListView = ReportView(VSplitter, &user_model_, {80, 50});
    // Named for accessibility tools and for the whole-program tests' probe.
    UserListView->setObjectName("UserListView");
    UserListView->setSelectionMode(QAbstractItemView::SingleSelection);
    UserListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    UserListView->setMouseTracking(true);  // hot tracking
    // The selection stays visible while the list has no focus.
    QPalette palette = UserListView->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    UserListView->setPalette(palette);
    InfoListView = ReportList(VSplitter, {"Info", "Value"}, {100});
    InfoListView->setMinimumWidth(kInfoMinimumWidth);
    InfoListView->hide();
    VSplitter->setStretchFactor(0, 1);
    VSplitter->setStretchFactor(1, 0);

    MessageListView = ReportView(HSplitter, &chat_model_, {80, 65});
    MessageListView->setObjectName("MessageListView");
    HSplitter->setStretchFactor(0, 0);
    HSplitter->setStretchFactor(1, 1);
    layout->addWidget(BuildBottomPanel());

    connect(UserListView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &UsersWindow::RunClick);
    connect(VSplitter, &QSplitter::splitterMoved, this, [this] { TakePanelSizes(); });
    connect(HSplitter, &QSplitter::splitterMoved, this, [this] { TakePanelSizes(); });
    ApplyPanelSizes();
    MessageEdit->setFocus();
}

QWidget* UsersWindow::BuildBottomPanel() {
    auto* panel = new QWidget(this);
    panel->setFixedHeight(kBottomPanelHeight);
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(8, 0, 8, 0);
    layout->setSpacing(0);

    Button2 = new QPushButton("Shout!!", panel);
    Button2->setFixedSize(65, 25);
    Button2->setToolTip("Broadcast a message and make all ready-users torvane popup");
    Button2->setFont(DisplayFont("Comic Sans MS", 16, false, QFont::Normal));
    QPalette red = Button2->palette();
    red.setColor(QPalette::ButtonText, Qt::red);
    Button2->setPalette(red);
    Button2->setAutoDefault(false);

    Button1 = new QPushButton("&Say", panel);
    Button1->setFixedSize(83, 25);
    Button1->setToolTip("Broadcast a message");
    Button1->setFont(DisplayFont("Arial Black", 16));
    Button1->setAutoDefault(false);
    Button1->setDefault(true);  // Enter says

    MessageEdit = new QLineEdit("Hi there!", panel);
    MessageEdit->setMinimumWidth(120);
    layout->addWidget(Button2);
    layout->addSpacing(88 - 8 - 65);
    layout->addWidget(Button1);
    layout->addSpacing(184 - 88 - 83);
    layout->addWidget(MessageEdit, 1);

    connect(Button1, &QPushButton::clicked, this, [this] {
        if (users_) users_->Button1Click();
    });
    connect(Button2, &QPushButton::clicked, this, [this] {
        if (users_) users_->Button2Click();
    });
    return panel;
}

void UsersWindow::Attach(TUsers* users) {
    users_ = users;
    user_model_.Follow(users->Table());
    users->Table().Subscribe(user_model_);
    chat_model_.Follow(*users);
    // The chat model first, so that the new line is there to scroll to.
    users->Subscribe(chat_model_);
    users->Subscribe(*this);
}

void UsersWindow::Place(const WindowGeometry& geometry) {
    move(geometry.UsersLeft, geometry.UsersTop);
    resize(geometry.UsersWidth, geometry.UsersHeight);
    info_width_ = std::max(geometry.UserListWidth, kInfoMinimumWidth);
    top_height_ = std::max(geometry.TopPanelHeight, kTopMinimumHeight);
    ApplyPanelSizes();
}

void UsersWindow::TakePlace(WindowGeometry& geometry) const {
    geometry.UsersLeft = x();
    geometry.UsersTop = y();
    geometry.UsersWidth = width();
    geometry.UsersHeight = height();
    geometry.UserListWidth = info_width_;
    geometry.TopPanelHeight = top_height_;
}

// The splitters share out what the window has; the info list's width and
// the top panel's height are the sizes that persist, so they go first.
void UsersWindow::ApplyPanelSizes() {
    const int total_height = std::max(HSplitter->height(), height() - kBottomPanelHeight);
    HSplitter->setSizes({top_height_, std::max(0, total_height - top_height_ - HSplitter->handleWidth())});
    const int total_width = std::max(VSplitter->width(), width());
    VSplitter->setSizes({std::max(0, total_width - info_width_ - VSplitter->handleWidth()), info_width_});
}

void UsersWindow::TakePanelSizes() {
    top_height_ = HSplitter->sizes().value(0, top_height_);
    // A hidden info list has no width of its own; it keeps the last one.
    if (InfoListView->isVisible()) info_width_ = VSplitter->sizes().value(1, info_width_);
}

void UsersWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ApplyPanelSizes();
}

void UsersWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    ApplyPanelSizes();
}

// The user's click. The selection also moves when rows come or go, and
// when TUsers sets it; neither is a click.
void UsersWindow::RunClick() {
    if (!users_ || selecting_ || user_model_.Moving()) return;
    users_->UserListViewClick(RowOf(UserListView->selectionModel()->selection()));
}

int UsersWindow::SelectedUserRow() const {
    const auto row = RowOf(UserListView->selectionModel()->selection());
    return row ? static_cast<int>(*row) : -1;
}

void UsersWindow::SelectionChanged() {
    if (!users_) return;
    const std::optional<size_t> row = users_->SelectedRow();
    {
        selecting_ = true;
        QItemSelectionModel* selection = UserListView->selectionModel();
        if (row) {
            const QModelIndex index = user_model_.index(static_cast<int>(*row), 0);
            selection->setCurrentIndex(index,
                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            UserListView->scrollTo(index);
        } else {
            selection->clearSelection();
            selection->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
        }
        selecting_ = false;
    }
    if (users_->Info().empty())
        HideInfo();
    else
        ShowInfo(users_->Info());
}

void UsersWindow::ShowInfo(const std::vector<InfoRow>& rows) {
    InfoListView->setUpdatesEnabled(false);
    InfoListView->clear();
    for (const InfoRow& row : rows) Row(InfoListView, {QText(row.Caption), QText(row.Value)});
    InfoListView->setUpdatesEnabled(true);
    if (InfoListView->isHidden()) {
        InfoListView->show();
        ApplyPanelSizes();
    }
}

void UsersWindow::HideInfo() {
    InfoListView->clear();
    InfoListView->hide();
}

void UsersWindow::ChatLineAdded(size_t) {
    MessageListView->scrollToBottom();
}

std::string UsersWindow::MessageText() const {
    return PlainText(MessageEdit->text());
}

void UsersWindow::PopUp() {
    showNormal();
    raise();
    activateWindow();
}

void UsersWindow::closeEvent(QCloseEvent* event) {
    hide();
    event->accept();
}

}  // namespace torvane
