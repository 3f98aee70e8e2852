// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/mainform.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "app/maincore.h"
#include "app/roomwatch.h"
#include "desktop/icons.h"
#include "desktop/toolkit/errorbox.h"
#include "desktop/toolkit/text.h"
#include "discovery/hosttable.h"
#include "discovery/trayicon.h"
#include "launcher/joinlink.h"
#include "peers/buddies.h"
#include "settings/columnwidths.h"
#include "settings/options.h"

namespace torvane {

namespace {

constexpr int kClientWidth = 446;
constexpr int kClientHeight = 215;
constexpr int kHostListWidth = 320;
// Host, Map, Players, Ping, Address; Source takes the rest.
constexpr std::array<int, 5> kHostColumnWidths = {185, 80, 51, 40, 130};
constexpr int kBottomPanelHeight = 46;
constexpr int kStatusBarHeight = 22;
constexpr int kStatusPanel0Width = 150;

// A read-only list view whose header sorts: a first click on a column sorts
// by it, a second reverses it.
QTreeView* SortableList(QWidget* parent, QAbstractItemModel* model, const std::vector<int>& widths) {
    auto* list = new QTreeView(parent);
    list->setModel(model);
    for (std::size_t i = 0; i < widths.size(); ++i) list->setColumnWidth(static_cast<int>(i), widths[i]);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->header()->setSectionsClickable(true);
    list->header()->setSortIndicatorShown(true);
    list->header()->setStretchLastSection(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setAllColumnsShowFocus(true);
    list->setUniformRowHeights(true);
    list->setIconSize(QSize(16, 16));
    return list;
}

// Sorts `list` as `sort` says; a column of -1 is the model's own order.
void ApplySort(QTreeView* list, int column, bool descending) {
    const Qt::SortOrder order = descending ? Qt::DescendingOrder : Qt::AscendingOrder;
    if (column < 0 || column >= list->model()->columnCount()) column = -1;
    list->header()->setSortIndicator(column, order);
    list->setSortingEnabled(true);
    list->sortByColumn(column, order);
}

std::string WidthsText(const QTreeView* list) {
    std::vector<int> widths;
    for (int i = 0; i < list->header()->count(); ++i) widths.push_back(list->columnWidth(i));
    return ColumnWidthsText(widths);
}

// What is no width leaves that column as it is.
void ApplyWidths(QTreeView* list, const std::string& text) {
    const std::vector<int> widths = ReadColumnWidths(text, list->header()->count());
    for (std::size_t i = 0; i < widths.size(); ++i)
        if (widths[i] > 0) list->setColumnWidth(static_cast<int>(i), widths[i]);
}

QFont PanelFont() {
    QFont font("Arial Black");
    font.setWeight(QFont::Black);
    return font;
}

}  // namespace

TMainForm::TMainForm(std::function<bool()> tray_available)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      host_marks_{HostMark(kRowAnswered), HostMark(kRowSilent)},
      buddy_mark_(BuddyMark()),
      waiting_mark_(WaitingMark()),
      tray_face_(std::move(tray_available)),
      tray_(tray_face_, tray_windows_) {
    setWindowTitle(QText(TorvaneCaption()));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    resize(kClientWidth, kClientHeight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    BuildLists();
    layout->addWidget(Lists, 1);
    layout->addWidget(BuildBottomPanel());
    layout->addWidget(BuildStatusBar());
    tray_.Add();
    ConnectTray();
}

void TMainForm::BuildLists() {
    Lists = new QSplitter(Qt::Horizontal, this);
    Lists->setChildrenCollapsible(false);
    HostListView = SortableList(Lists, &SortedHosts, {});
    HostListView->setObjectName("HostListView");  // for accessibility tools and test probes
    ApplySort(HostListView, -1, false);
    HostListView->setToolTip("Doubleclick to launch Quake2, Right click to challenge other players");
    HostListView->setContextMenuPolicy(Qt::CustomContextMenu);
    HostListView->installEventFilter(this);
    PlayersListView = SortableList(Lists, &SortedPlayers, {70, 40});
    PlayersListView->setObjectName("PlayersListView");
    PlayersListView->setSelectionMode(QAbstractItemView::NoSelection);
    PlayersListView->setToolTip("List of players on selected host");
    ApplySort(PlayersListView, PlayerListModel::kFrags, true);
    Lists->addWidget(HostListView);
    Lists->addWidget(PlayersListView);
    Lists->setStretchFactor(1, 1);
    Lists->setSizes({kHostListWidth, kClientWidth - kHostListWidth});

    BuildMenus();
    connect(HostListView, &QTreeView::clicked, this, [this] { ShowPlayers(); });
    connect(HostListView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { ShowPlayers(); });
    connect(HostListView, &QTreeView::doubleClicked, this, [this] {
        if (core_) core_->HostListViewDblClick();
    });
}

void TMainForm::BuildMenus() {
    HostPopupMenu = new QMenu(this);
    HostPopupMenu->setToolTipsVisible(true);
    QAction* play = HostPopupMenu->addAction("&Play");
    QAction* challenge = HostPopupMenu->addAction("&Challenge");
    RoomAction = HostPopupMenu->addAction(kJoinWhenRoomEntry);
    CopyLinkAction = HostPopupMenu->addAction("Copy join link");
    HostPopupMenu->addSeparator();
    BuddiesFirstAction = HostPopupMenu->addAction("Buddies first");
    BuddiesFirstAction->setCheckable(true);
    BuddiesFirstAction->setToolTip(
        "Servers with buddies on them above the others, however the list is sorted");
    AddToFavourites = HostPopupMenu->addAction("Add to favourites");
    ShowMasterListed = HostPopupMenu->addAction("Show master-listed servers");
    ShowMasterListed->setCheckable(true);
    ShowMasterListed->setChecked(SortedHosts.MasterListedShown());
    connect(AddToFavourites, &QAction::triggered, this, [this] {
        const int row = SelectedHostRow();
        if (row >= 0 && options_)
            options_->AddFavorite(AddressText(core_->Hosts()[static_cast<std::size_t>(row)]));
    });
    connect(ShowMasterListed, &QAction::toggled, this,
            [this](bool show) { SortedHosts.ShowMasterListed(show); });
    connect(play, &QAction::triggered, this, [this] {
        ShowPlayers();
        if (core_) core_->Play1Click();
    });
    connect(challenge, &QAction::triggered, this, [this] {
        if (core_) core_->Suggest1Click();
    });
    connect(RoomAction, &QAction::triggered, this, [this] {
        if (!core_) return;
        core_->RoomMenuClick();
        if (Hosts) Hosts->MarksChanged();
    });
    connect(CopyLinkAction, &QAction::triggered, this, [this] {
        const int row = SelectedHostRow();
        if (row < 0) return;
        const TQuakeServer& server = core_->Hosts()[static_cast<std::size_t>(row)];
        if (const auto link = JoinLinkTo(server.Address, server.Port))
            QGuiApplication::clipboard()->setText(QText(*link));
    });
    connect(BuddiesFirstAction, &QAction::toggled, this, [this](bool on) { SetBuddiesFirst(on); });
    connect(HostListView, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        UpdateHostMenu();
        HostPopupMenu->popup(HostListView->viewport()->mapToGlobal(at));
    });

    PlayerPopupMenu = new QMenu(this);
    PlayerPopupMenu->setToolTipsVisible(true);
    BuddyAction = PlayerPopupMenu->addAction("Add to buddies");
    connect(BuddyAction, &QAction::triggered, this, [this] { EditBuddies(); });
    PlayersListView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(PlayersListView, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex index = PlayersListView->indexAt(at);
        if (index.isValid() && UpdatePlayerMenu(index.row()))
            PlayerPopupMenu->popup(PlayersListView->viewport()->mapToGlobal(at));
    });
}

void TMainForm::UpdateHostMenu() {
    const int row = SelectedHostRow();
    const std::optional<std::string> room = core_ ? core_->RoomMenuEntry() : std::nullopt;
    RoomAction->setVisible(room.has_value());
    if (room) RoomAction->setText(QText(*room));
    std::optional<std::string> link;
    if (row >= 0) {
        const TQuakeServer& server = core_->Hosts()[static_cast<std::size_t>(row)];
        link = JoinLinkTo(server.Address, server.Port);
    }
    CopyLinkAction->setEnabled(link.has_value());
    CopyLinkAction->setToolTip(link ? QText(*link) : QString());
    AddToFavourites->setEnabled(CanAddFavourite());
}

// A server found through a favourite (or an internet server) is one; so is
// any the favourites name by its address.
bool TMainForm::CanAddFavourite() const {
    const int row = SelectedHostRow();
    if (row < 0 || !options_) return false;
    const TQuakeServer& server = core_->Hosts()[static_cast<std::size_t>(row)];
    return server.Source != ServerSource::Favourite && !options_->IsFavorite(AddressText(server));
}

bool TMainForm::UpdatePlayerMenu(int row) {
    const QModelIndex source = SortedPlayers.mapToSource(SortedPlayers.index(row, 0));
    if (!core_ || !source.isValid() || static_cast<std::size_t>(source.row()) >= Players.Players().size())
        return false;
    menu_player_ = Players.Players()[static_cast<std::size_t>(source.row())].Name;
    const BuddyMenuEntry entry = BuddyMenuFor(core_->BuddiesSetting(), menu_player_);
    BuddyAction->setText(QText(entry.Caption));
    BuddyAction->setEnabled(entry.Enabled);
    BuddyAction->setToolTip(QText(entry.Hint));
    return true;
}

void TMainForm::EditBuddies() {
    if (!core_) return;
    const std::string& setting = core_->BuddiesSetting();
    const BuddyMenuEntry entry = BuddyMenuFor(setting, menu_player_);
    if (!entry.Enabled) return;
    const bool named = BuddyList(setting).Names(menu_player_);
    core_->SetBuddies(named ? WithoutBuddy(setting, menu_player_) : WithBuddy(setting, menu_player_));
    // The options dialog shows the list as it is now.
    if (options_) options_->ShowChangedSettings();
    if (Hosts) Hosts->MarksChanged();
    Players.SetBuddies(BuddyList(core_->BuddiesSetting()), buddy_mark_);
    SortedHosts.invalidate();
}

void TMainForm::SetBuddiesFirst(bool on) {
    {
        const QSignalBlocker quiet(BuddiesFirstAction);
        BuddiesFirstAction->setChecked(on);
    }
    if (on == SortedHosts.HasFirst()) return;
    if (on)
        SortedHosts.SetFirst([this](int row) { return Hosts && Hosts->HasBuddies(row); });
    else
        SortedHosts.SetFirst({});
}

bool TMainForm::CoreRowMarks::HasBuddies(std::size_t index) const {
    return core.HasBuddies(index);
}
std::vector<std::string> TMainForm::CoreRowMarks::BuddiesOn(std::size_t index) const {
    return core.BuddiesOn(index);
}
bool TMainForm::CoreRowMarks::WaitingForRoom(std::size_t index) const {
    return core.WaitingForRoom(index);
}

QWidget* TMainForm::BuildBottomPanel() {
    auto* bottom = new QWidget(this);
    bottom->setFixedHeight(kBottomPanelHeight);
    auto* row = new QHBoxLayout(bottom);
    row->setContentsMargins(6, 4, 6, 4);
    row->setSpacing(6);
    const auto button = [&](const char* caption, const char* hint) {
        auto* b = new QPushButton(caption, bottom);
        b->setFont(PanelFont());
        if (*hint) b->setToolTip(hint);
        b->setFocusPolicy(Qt::TabFocus);
        row->addWidget(b);
        return b;
    };
    ConnectButton = button("&Search", "Search for Quake 2 servers in LAN");
    Button2 = button("&Users", "");
    OptionButton = button("&Options", "Show options window");
    BusyCheck = new QCheckBox("Busy", bottom);
    BusyCheck->setFont(PanelFont());
    BusyCheck->setChecked(true);
    BusyCheck->setToolTip("Click me if you cannot play right now");
    row->addWidget(BusyCheck);
    CreditButton = button("&Credits", "Show Credits for this program");

    connect(ConnectButton, &QPushButton::clicked, this, [this] {
        if (core_) core_->ConnectButtonClick();
    });
    connect(Button2, &QPushButton::clicked, this, [this] {
        if (!others_.users) return;
        others_.users->show();
        others_.users->raise();
        others_.users->activateWindow();
    });
    connect(OptionButton, &QPushButton::clicked, this, [this] {
        if (options_) options_->Show();
    });
    connect(CreditButton, &QPushButton::clicked, this, [this] {
        if (!others_.credits) return;
        others_.credits->show();
        others_.credits->raise();
    });
    // Every change of the box, by a click or by the tray entry, is the
    // core's to handle; ShowBusy sets it back without a signal.
    connect(BusyCheck, &QCheckBox::toggled, this, [this](bool checked) {
        if (core_) core_->SetBusyCheck(checked);
    });
    return bottom;
}

QWidget* TMainForm::BuildStatusBar() {
    auto* bar = new QWidget(this);
    bar->setFixedHeight(kStatusBarHeight);
    bar->setToolTip("Search status");
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(2, 1, 2, 1);
    row->setSpacing(2);
    const char* initial[] = {"Connect Status", "Receive status"};
    for (int i = 0; i < 2; ++i) {
        auto* label = new QLabel(initial[i], bar);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setTextFormat(Qt::PlainText);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));  // for test probes
        StatusPanels[static_cast<std::size_t>(i)] = label;
    }
    StatusPanels[0]->setFixedWidth(kStatusPanel0Width);
    row->addWidget(StatusPanels[0]);
    row->addWidget(StatusPanels[1], 1);
    return bar;
}

void TMainForm::ConnectTray() {
    connect(&tray_face_, &QtTray::LeftClicked, this, [this] { tray_.Click(TrayClick::kLeft); });
    connect(&tray_face_, &QtTray::HostEntryChosen, this, [this](int position) {
        if (core_) core_->TrayHostEntryClick(position);
    });
    connect(&tray_face_, &QtTray::BusyChosen, this, [this] {
        if (core_) core_->Busy1Click();
    });
    connect(&tray_face_, &QtTray::OptionsChosen, this, [this] {
        if (options_) options_->Show();
    });
    connect(&tray_face_, &QtTray::ExitChosen, this, [] { QCoreApplication::exit(0); });
}

void TMainForm::Attach(MainCore* core, TOptions* options, const OtherWindows& others) {
    core_ = core;
    options_ = options;
    others_ = others;
    connect(&notifier_, &DesktopNotifier::ActionInvoked, this, [this](quint64 id, const QString& key) {
        if (core_) core_->NoticeActionInvoked(id, PlainText(key));
    });
    connect(&notifier_, &DesktopNotifier::Closed, this, [this](quint64 id) {
        if (core_) core_->NoticeClosed(id);
    });
    if (!core_) return;
    // The model first, so that every later listener sees the rows as the
    // views do.
    Hosts = std::make_unique<HostListModel>(core_->Hosts(), host_marks_);
    row_marks_ = std::make_unique<CoreRowMarks>(*core_);
    Hosts->SetRowMarks(row_marks_.get(), buddy_mark_, waiting_mark_);
    SortedHosts.setSourceModel(Hosts.get());
    for (std::size_t i = 0; i < kHostColumnWidths.size(); ++i)
        HostListView->setColumnWidth(static_cast<int>(i), kHostColumnWidths[i]);
    ApplyListPlaces();
    core_->Subscribe(*Hosts);
    tray_entries_ = std::make_unique<TrayHostEntries>(tray_, core_->Hosts());
    core_->Subscribe(*tray_entries_);
    core_->Subscribe(*this);
}

void TMainForm::Place(const WindowGeometry& geometry) {
    move(geometry.MainLeft, geometry.MainTop);
    resize(std::max(geometry.MainWidth, 100), std::max(geometry.MainHeight, 80));
    const int hosts = std::max(geometry.HostListWidth, 20);
    Lists->setSizes({hosts, std::max(Lists->width() - hosts, 20)});
    list_places_ = geometry;
    ApplyListPlaces();
    SetBuddiesFirst(geometry.HostBuddiesFirst);
    ShowMasterListed->setChecked(geometry.ShowMasterListed);
    if (geometry.MainMaximized) setWindowState(windowState() | Qt::WindowMaximized);
}

void TMainForm::ApplyListPlaces() {
    if (HostListView->header()->count() == 0) return;  // placed again once attached
    ApplyWidths(HostListView, list_places_.HostColumnWidths);
    ApplyWidths(PlayersListView, list_places_.PlayerColumnWidths);
    ApplySort(HostListView, list_places_.HostSortColumn, list_places_.HostSortDescending);
    ApplySort(PlayersListView, list_places_.PlayerSortColumn, list_places_.PlayerSortDescending);
}

void TMainForm::TakePlace(WindowGeometry& geometry) const {
    // A maximised window keeps the size it comes back to.
    const QRect normal = isMaximized() ? normalGeometry() : QRect(pos(), size());
    geometry.MainLeft = normal.x();
    geometry.MainTop = normal.y();
    geometry.MainWidth = normal.width();
    geometry.MainHeight = normal.height();
    geometry.MainMaximized = isMaximized();
    geometry.HostListWidth = Lists->sizes().value(0, kHostListWidth);
    geometry.HostColumnWidths = WidthsText(HostListView);
    geometry.PlayerColumnWidths = WidthsText(PlayersListView);
    geometry.HostSortColumn = HostListView->header()->sortIndicatorSection();
    geometry.HostSortDescending = HostListView->header()->sortIndicatorOrder() == Qt::DescendingOrder;
    geometry.HostBuddiesFirst = BuddiesFirstAction->isChecked();
    geometry.ShowMasterListed = SortedHosts.MasterListedShown();
    geometry.PlayerSortColumn = PlayersListView->header()->sortIndicatorSection();
    geometry.PlayerSortDescending = PlayersListView->header()->sortIndicatorOrder() == Qt::DescendingOrder;
}

void TMainForm::ShowPlayers() {
    const int row = SelectedHostRow();
    if (row < 0 || !core_) {
        Players.Show({});
        return;
    }
    Players.SetBuddies(BuddyList(core_->BuddiesSetting()), buddy_mark_);
    Players.Show(core_->Hosts()[static_cast<std::size_t>(row)].Players);
}

void TMainForm::SetStatusText(int panel, const std::string& text) {
    if (panel != 0 && panel != 1) return;
    // A long text is cut at the panel's edge: the whole of it is the tip.
    QLabel* label = StatusPanels[static_cast<std::size_t>(panel)];
    label->setText(QText(text));
    label->setToolTip(label->text());
}

void TMainForm::ShowLaunchFailure(const std::string& message) {
    // Not modal: the searches and the peers go on while it is read.
    QMessageBox* box = NewErrorBox(message, this);
    box->setIcon(QMessageBox::Warning);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

int TMainForm::SelectedHostRow() const {
    const QModelIndexList selected = HostListView->selectionModel()->selectedRows();
    if (selected.isEmpty() || !core_) return -1;
    const int row = SortedHosts.mapToSource(selected.first()).row();
    return row >= 0 && static_cast<std::size_t>(row) < core_->Hosts().size() ? row : -1;
}

void TMainForm::RestoreApplication() {
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
}

void TMainForm::BringToFront() {
    raise();
    activateWindow();
}

void TMainForm::ShowBusy(bool box_checked, bool menu_checked) {
    const QSignalBlocker quiet(BusyCheck);
    BusyCheck->setChecked(box_checked);
    tray_.SetBusyChecked(menu_checked);
}

void TMainForm::ShowOptionsOnInfoPage() {
    if (options_) options_->ShowOnInfoPage();
}

void TMainForm::ShowFromTray() {
    RestoreApplication();
    show();
    raise();
    activateWindow();
}

void TMainForm::RestoreAndHideWindows() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    hide();
    for (QWidget* window : {others_.options, others_.users, others_.credits})
        if (window) window->hide();
}

// The close box ends Torvane.
void TMainForm::closeEvent(QCloseEvent* event) {
    event->accept();
    QCoreApplication::exit(0);
}

// Minimising, whatever did it, puts every window away into the tray; the
// state change is finished before the windows go.
void TMainForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        QTimer::singleShot(0, this, [this] {
            if (isMinimized()) tray_.MinimizeHandling();
        });
}

// Enter in the host list is a double-click.
bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == HostListView && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (core_) core_->HostListViewDblClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace torvane
