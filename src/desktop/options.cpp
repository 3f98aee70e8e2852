// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/options.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "desktop/toolkit/errorbox.h"
#include "desktop/toolkit/fonts.h"
#include "desktop/toolkit/text.h"
#include "platform/convert.h"

namespace torvane {

namespace {

constexpr int kClientWidth = 321;
constexpr int kClientHeight = 296;
constexpr int kTopPanelHeight = 41;

// Paths go to the file system as the bytes it names them by; every other
// text is the 8-bit text of the peer protocol.
QString PathText(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}
std::string PlainPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QLabel* Label(const char* text, QWidget* parent, const char* hint = nullptr) {
    auto* label = new QLabel(text, parent);
    if (hint) label->setToolTip(hint);
    return label;
}

struct EventGroup {
    const char* caption;
    const char* hint;
    EventKind kind;
    SoundChoice sound;
};
constexpr std::array<EventGroup, 4> kEventGroups = {{
    {"If new host shows up", "What to do if new host shows up", EventKind::NewHost, SoundChoice::kNewHost},
    {"If new player shows up", "What to do if total player number increases", EventKind::NewPlayer,
     SoundChoice::kNewPlayer},
    {"If space in full server", "What to do if space in previously full server becomes available",
     EventKind::NotFull, SoundChoice::kNotFull},
    {"If map changes", "What to do if map changes on a server", EventKind::NewMap, SoundChoice::kNewMap},
}};

}  // namespace

OptionsDialog::OptionsDialog(Settings& settings, QWidget* parent) : QDialog(parent), settings_(settings) {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle("Torvane");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(BuildTopPanel());
    PageControl1 = new QTabWidget(this);
    layout->addWidget(PageControl1, 1);
    const std::array<std::pair<QWidget*, const char*>, 6> pages = {{
        {BuildGeneralPage(), "General"},
        {BuildNetworkPage(), "Network"},
        {BuildEventsPage(), "Events"},
        {BuildGamePage(), "Game"},
        {BuildInfoPage(), "Info"},
        {BuildLogPage(), "Log"},
    }};
    for (size_t i = 0; i < pages.size(); ++i) {
        TabSheets[i] = pages[i].first;
        PageControl1->addTab(pages[i].first, pages[i].second);
    }
    // The last page shows until something selects another.
    PageControl1->setCurrentWidget(TabSheets[5]);
    const QSize hint = sizeHint();
    setFixedSize(std::max(kClientWidth, hint.width()), std::max(kClientHeight, hint.height()));
    ShowSettings();
}

QWidget* OptionsDialog::BuildTopPanel() {
    auto* panel = new QWidget(this);
    panel->setFixedHeight(kTopPanelHeight);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, QColor(0, 0, 128));
    palette.setColor(QPalette::WindowText, QColor(0, 255, 0));
    panel->setPalette(palette);
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(8, 0, 8, 0);
    auto* caption = new QLabel("Options", panel);
    caption->setFont(DisplayFont("Arial Black", 27));
    layout->addWidget(caption);
    layout->addStretch(1);
    OkButton = new QPushButton("OK", panel);
    OkButton->setToolTip("Save options and hide window");
    OkButton->setDefault(true);
    connect(OkButton, &QPushButton::clicked, this, [this] { Run(&TOptions::OkButtonClick); });
    layout->addWidget(OkButton);
    return panel;
}

QWidget* OptionsDialog::BuildGeneralPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    HintCheck = Check("Show hints", settings_.ShowHints, &TOptions::HintCheckClick);
    HintCheck->setToolTip("Show hints on/off");
    MinimizeCheck = Check("Start minimized", settings_.StartMinimized);
    SingleCheck = Check("No single player games", settings_.NoSingle);
    SingleCheck->setToolTip("Ignore single player games");
    StartBusy = Check("Start busy", settings_.StartBusy);
    AutoStart = Check("Autostart at boot", settings_.AutoStart);
    AutoStart->setToolTip("Start Torvane when you log in to the desktop");
    MainStayOnTop = Check("Main stay on top", settings_.MainStayOnTop);
    MainStayOnTop->setToolTip("Should main window stay above all windows when active ?");
    UsersStayOnTop = Check("Users stay on top", settings_.UsersStayOnTop);
    UsersStayOnTop->setToolTip("Should user window stay above all windows when active ?");
    for (QCheckBox* box :
         {HintCheck, MinimizeCheck, SingleCheck, StartBusy, AutoStart, MainStayOnTop, UsersStayOnTop})
        layout->addWidget(box);

    // The chat limit is the up-down position, not a text: a typed number
    // moves it within its range, anything else leaves it.
    Edit4 = new UpDownEdit(kMinChatLines, kMaxChatLines, 1, page);
    connect(Edit4->Edit(), &QLineEdit::textChanged, this, [this](const QString& text) {
        const int32_t fallback = settings_.MaxChatLines;
        settings_.MaxChatLines =
            std::clamp(StrToIntDef(PlainText(text), fallback), kMinChatLines, kMaxChatLines);
    });
    readers_.push_back([this] { Edit4->setText(QString::number(settings_.MaxChatLines)); });
    auto* row = new QHBoxLayout;
    row->addWidget(Label("Max lines in chatbox", page));
    row->addWidget(Edit4);
    row->addStretch(1);
    layout->addLayout(row);
    layout->addStretch(1);
    return page;
}

QWidget* OptionsDialog::BuildNetworkPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* top = new QGridLayout;
    layout->addLayout(top);

    CheckBroadcast = Check("Interval broadcast", settings_.Broadcast, &TOptions::CheckBroadcastClick);
    CheckBroadcast->setToolTip("Check if you want automatic search for servers after each interval");
    top->addWidget(CheckBroadcast, 0, 0, 1, 2);
    BroadcastEdit = Number(settings_.BCInterval, 10, 3600, 10);
    BroadcastEdit->setToolTip("Number of seconds between each server search");
    top->addWidget(Label("Interval (sec)", page), 1, 0);
    top->addWidget(BroadcastEdit, 1, 1);
    RetriesEdit = Number(settings_.Retries, 0, 100, 1);
    RetriesEdit->setToolTip("Number of unsuccesfully search for host before considered closed");
    top->addWidget(Label("Retries:", page, "Negative responses from server before considered dead"), 2, 0);
    top->addWidget(RetriesEdit, 2, 1);

    PortEdit = Text(settings_.Port);
    PortEdit->setToolTip("Port number to search on. Default is 27910");
    top->addWidget(Label("Port:", page), 0, 2);
    top->addWidget(PortEdit, 0, 3);
    std::array<std::string*, 3> ports = {&settings_.Port2, &settings_.Port3, &settings_.Port4};
    std::array<bool*, 3> enables = {&settings_.Port2Enable, &settings_.Port3Enable, &settings_.Port4Enable};
    for (int i = 0; i < 3; ++i) {
        const QString number = QString::number(i + 2);
        PortNEdit[i] = Text(*ports[i]);
        const QString hint = QString("Port number to search on. Default is 279%120").arg(i + 2);
        PortNEdit[i]->setToolTip(hint);
        PortNEnable[i] = Check("", *enables[i]);
        PortNEnable[i]->setToolTip(hint);  // the field and its switch share one hint
        top->addWidget(new QLabel("Port #" + number, page), i + 1, 2);
        top->addWidget(PortNEdit[i], i + 1, 3);
        top->addWidget(PortNEnable[i], i + 1, 4);
    }

    auto* wan = new QGridLayout;
    layout->addLayout(wan);
    wan->addWidget(Label("Internet servers address", page), 0, 0);
    wan->addWidget(Label("Port", page), 0, 1);
    for (int i = 0; i < 4; ++i) {
        WanEdit[i] = Text(settings_.Wan[i].Address);
        WanPort[i] = Text(settings_.Wan[i].Port);
        WanPort[i]->setMaximumWidth(60);
        WanEnable[i] = Check("", settings_.Wan[i].Enabled);
        WanEnable[i]->setToolTip("Enable");
        wan->addWidget(WanEdit[i], i + 1, 0);
        wan->addWidget(WanPort[i], i + 1, 1);
        wan->addWidget(WanEnable[i], i + 1, 2);
    }

    auto* lists = new QHBoxLayout;
    layout->addLayout(lists);
    lists->addWidget(BuildServerList(ServerList::kMasters, page));
    lists->addWidget(BuildServerList(ServerList::kFavorites, page));
    layout->addStretch(1);
    return page;
}

QWidget* OptionsDialog::BuildServerList(ServerList list, QWidget* page) {
    const auto i = static_cast<std::size_t>(list);
    const bool masters = list == ServerList::kMasters;
    auto* group = new QGroupBox(ServerListCaption(list), page);
    group->setToolTip(masters
                          ? "Master servers that list internet game servers, asked at most every five "
                            "minutes; the servers they list raise no events"
                          : "Internet game servers queried at every search, with events like LAN servers");
    auto* column = new QVBoxLayout(group);
    column->setContentsMargins(6, 4, 6, 6);
    column->setSpacing(4);
    ServerLists[i] = new QListWidget(group);
    ServerLists[i]->setSelectionMode(QAbstractItemView::SingleSelection);
    ServerLists[i]->setFixedHeight(ServerLists[i]->fontMetrics().height() * 4 + 8);
    column->addWidget(ServerLists[i]);
    ServerEntries[i] = new QLineEdit(group);
    ServerEntries[i]->setPlaceholderText(masters ? "HOST or HOST:PORT" : "HOST:PORT");
    ServerEntries[i]->installEventFilter(this);
    column->addWidget(ServerEntries[i]);
    auto* buttons = new QHBoxLayout;
    AddButtons[i] = new QPushButton("Add", group);
    AddButtons[i]->setAutoDefault(false);
    RemoveButtons[i] = new QPushButton("Remove", group);
    RemoveButtons[i]->setAutoDefault(false);
    RemoveButtons[i]->setEnabled(false);
    buttons->addWidget(AddButtons[i]);
    buttons->addWidget(RemoveButtons[i]);
    column->addLayout(buttons);

    connect(AddButtons[i], &QPushButton::clicked, this, [this, list] {
        if (options_) options_->AddServerEntry(list);
    });
    connect(RemoveButtons[i], &QPushButton::clicked, this, [this, list, i] {
        if (options_) options_->RemoveServerEntry(list, ServerLists[i]->currentRow());
    });
    connect(ServerLists[i], &QListWidget::itemSelectionChanged, this,
            [this, i] { RemoveButtons[i]->setEnabled(!ServerLists[i]->selectedItems().isEmpty()); });
    readers_.push_back([this, list] { ShowServerList(list); });
    return group;
}

QWidget* OptionsDialog::BuildEventsPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* groups = new QGridLayout;
    layout->addLayout(groups);
    constexpr std::array<const char*, 3> kActions = {"Pop up", "Launch Quake2", "Play sound"};
    for (size_t g = 0; g < kEventGroups.size(); ++g) {
        const EventGroup& event = kEventGroups[g];
        auto* group = new QGroupBox(event.caption, page);
        group->setToolTip(event.hint);
        auto* inner = new QGridLayout(group);
        inner->setContentsMargins(6, 2, 6, 2);
        inner->setVerticalSpacing(0);
        EventAction& action = settings_.Event(event.kind);
        const std::array<bool*, 3> fields = {&action.Popup, &action.Launch, &action.Play};
        for (size_t a = 0; a < kActions.size(); ++a) {
            EventChecks[g][a] = Check(kActions[a], *fields[a]);
            inner->addWidget(EventChecks[g][a], static_cast<int>(a), 0);
        }
        inner->addWidget(SoundButton(event.sound), 2, 1, Qt::AlignRight);
        groups->addWidget(group, static_cast<int>(g / 2), static_cast<int>(g % 2));
    }

    auto* chat = new QGridLayout;
    layout->addLayout(chat);
    chat->addWidget(Label("Message sound", page), 0, 0);
    chat->addWidget(SoundButton(SoundChoice::kMessage), 0, 3);
    chat->addWidget(Label("On shout", page), 1, 0);
    ShoutPopUp = Check("Pop up", settings_.ShoutPopUp);
    ShoutPlay = Check("Play sound", settings_.ShoutPlay);
    chat->addWidget(ShoutPopUp, 1, 1);
    chat->addWidget(ShoutPlay, 1, 2);
    chat->addWidget(SoundButton(SoundChoice::kShout), 1, 3);
    chat->addWidget(Label("On challenge sound", page), 2, 0);
    chat->addWidget(SoundButton(SoundChoice::kSuggest), 2, 3);
    chat->setColumnStretch(2, 1);
    layout->addStretch(1);
    return page;
}

QWidget* OptionsDialog::BuildGamePage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);

    auto* quake2 = new QGroupBox("Quake2 path", page);
    auto* form2 = new QFormLayout(quake2);
    CommandEdit = Text(settings_.Quake2Command, true);
    CommandEdit->setToolTip(
        "Command to start Quake2 and parameters. Without a path it is looked for in the directory, then on "
        "the PATH");
    BaseDirEdit = Text(settings_.Quake2BaseDir, true);
    BaseDirEdit->setToolTip("Directory where Quake 2 is installed, without a trailing slash");
    form2->addRow("Command", CommandEdit);
    form2->addRow("BaseDir", BaseDirEdit);
    layout->addWidget(quake2);

    QuakeGroup = new QGroupBox("Quake path", page);
    QuakeGroup->setToolTip("Quake 1 not supported yet");
    auto* form1 = new QFormLayout(QuakeGroup);
    QCommandEdit = Text(settings_.QCommand, true);
    QBaseDirEdit = Text(settings_.QBaseDir, true);
    form1->addRow("Command", QCommandEdit);
    form1->addRow("BaseDir", QBaseDirEdit);
    QuakeGroup->setEnabled(false);
    layout->addWidget(QuakeGroup);
    layout->addStretch(1);
    return page;
}

QWidget* OptionsDialog::BuildInfoPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    NameEdit = Text(settings_.PlayerName);
    BusyEdit = Text(settings_.BusyMessage);
    ReadyEdit = Text(settings_.ReadyMessage);
    PlayingEdit = Text(settings_.PlayingMessage);
    form->addRow("Name", NameEdit);
    form->addRow("Busy", BusyEdit);
    form->addRow("Ready", ReadyEdit);
    form->addRow("Playing", PlayingEdit);
    BuddiesEdit = Text(settings_.Buddies);
    BuddiesEdit->setToolTip(
        "Players to be told about wherever they play: names separated by commas, * for any "
        "characters");
    form->addRow("Buddies", BuddiesEdit);

    auto* radios = new QHBoxLayout;
    layout->addLayout(radios);
    auto* skill = new QGroupBox("Skill", page);
    skill->setToolTip("How good are you ?");
    SkillRadio = Radio(skill, kSkillItems, settings_.Skill);
    auto* paranoia = new QGroupBox("Paranoia", page);
    paranoia->setToolTip("How much information should be broadcasted");
    Paranoia = Radio(paranoia, kParanoiaItems, settings_.Paranoia);
    radios->addWidget(skill);
    radios->addWidget(paranoia);
    layout->addStretch(1);
    return page;
}

QWidget* OptionsDialog::BuildLogPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    LogCheck = Check("Enable logging", settings_.LogEnabled, &TOptions::LogCheckClick);
    layout->addWidget(LogCheck);
    ViewLog = new QPushButton("View log", page);
    Button1 = new QPushButton("Set log file", page);
    connect(ViewLog, &QPushButton::clicked, this, [this] { Run(&TOptions::ViewLogClick); });
    connect(Button1, &QPushButton::clicked, this, [this] { Run(&TOptions::Button1Click); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ViewLog);
    buttons->addWidget(Button1);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    layout->addStretch(1);
    return page;
}

QCheckBox* OptionsDialog::Check(const char* caption, bool& field, void (TOptions::*handler)()) {
    auto* box = new QCheckBox(caption, this);
    // A change from program code runs the handler just as a click does;
    // ShowSettings alone reads the record back without running anything.
    connect(box, &QCheckBox::toggled, this, [this, &field, handler](bool checked) {
        field = checked;
        if (handler) Run(handler);
    });
    readers_.push_back([box, &field] { box->setChecked(field); });
    return box;
}

QLineEdit* OptionsDialog::Text(std::string& field, bool is_path) {
    auto* edit = new QLineEdit(this);
    connect(edit, &QLineEdit::textChanged, this,
            [&field, is_path](const QString& text) { field = is_path ? PlainPath(text) : PlainText(text); });
    readers_.push_back([edit, &field, is_path] { edit->setText(is_path ? PathText(field) : QText(field)); });
    return edit;
}

UpDownEdit* OptionsDialog::Number(std::string& field, int minimum, int maximum, int step) {
    auto* edit = new UpDownEdit(minimum, maximum, step, this);
    connect(edit->Edit(), &QLineEdit::textChanged, this,
            [&field](const QString& text) { field = PlainText(text); });
    readers_.push_back([edit, &field] { edit->setText(QText(field)); });
    return edit;
}

QButtonGroup* OptionsDialog::Radio(QGroupBox* group, const std::array<const char*, 3>& items,
                                   int32_t& field) {
    auto* buttons = new QButtonGroup(group);
    auto* layout = new QVBoxLayout(group);
    for (size_t i = 0; i < items.size(); ++i) {
        auto* radio = new QRadioButton(items[i], group);
        buttons->addButton(radio, static_cast<int>(i));
        layout->addWidget(radio);
    }
    connect(buttons, &QButtonGroup::idToggled, this, [&field](int id, bool checked) {
        if (checked) field = id;
    });
    readers_.push_back([buttons, &field] {
        // -1 leaves every item unchosen, which an exclusive group refuses.
        buttons->setExclusive(false);
        for (QAbstractButton* button : buttons->buttons()) button->setChecked(buttons->id(button) == field);
        buttons->setExclusive(true);
    });
    return buttons;
}

QToolButton* OptionsDialog::SoundButton(SoundChoice choice) {
    auto* button = new QToolButton(this);
    button->setText("..");
    SpeedButtons[static_cast<size_t>(choice)] = button;
    const auto show_sound = [this, button, choice] {
        const std::string& sound = SoundOf(settings_, choice);
        button->setToolTip(sound.empty() ? QString("No sound chosen") : PathText(sound));
    };
    connect(button, &QToolButton::clicked, this, [this, choice, show_sound] {
        if (!options_) return;
        options_->SoundButtonClick(choice);
        show_sound();
    });
    readers_.push_back(show_sound);
    return button;
}

void OptionsDialog::Run(void (TOptions::*handler)()) {
    if (options_) (options_->*handler)();
}

void OptionsDialog::SetCaption(const std::string& text) {
    setWindowTitle(QText(text));
}

void OptionsDialog::ShowSettings() {
    // Reading the record back is no change of it: nothing is written back
    // and no handler runs.
    const QList<QObject*> controls = findChildren<QObject*>();
    std::vector<std::unique_ptr<QSignalBlocker>> blockers;
    for (QObject* control : controls) blockers.push_back(std::make_unique<QSignalBlocker>(control));
    for (const auto& read : readers_) read();
}

void OptionsDialog::ShowAndRaise() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

void OptionsDialog::SelectPage(OptionsPage page) {
    PageControl1->setCurrentWidget(TabSheets[static_cast<size_t>(page)]);
}

void OptionsDialog::FocusBusyEdit() {
    SelectPage(OptionsPage::kInfo);
    BusyEdit->setFocus(Qt::OtherFocusReason);
    BusyEdit->selectAll();
}

QLineEdit* OptionsDialog::EditOf(OptionsField field) const {
    switch (field) {
        case OptionsField::kInterval:
            return BroadcastEdit->Edit();
        case OptionsField::kRetries:
            return RetriesEdit->Edit();
        case OptionsField::kPort:
            return PortEdit;
        case OptionsField::kPort2:
        case OptionsField::kPort3:
        case OptionsField::kPort4:
            return PortNEdit[static_cast<size_t>(field) - static_cast<size_t>(OptionsField::kPort2)];
        case OptionsField::kWan1Port:
        case OptionsField::kWan2Port:
        case OptionsField::kWan3Port:
        case OptionsField::kWan4Port:
            break;
        case OptionsField::kMasterEntry:
            return ServerEntries[static_cast<std::size_t>(ServerList::kMasters)];
        case OptionsField::kFavoriteEntry:
            return ServerEntries[static_cast<std::size_t>(ServerList::kFavorites)];
    }
    return WanPort[static_cast<size_t>(field) - static_cast<size_t>(OptionsField::kWan1Port)];
}

void OptionsDialog::FocusField(OptionsField field) {
    SelectPage(OptionsPage::kNetwork);
    QLineEdit* edit = EditOf(field);
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
}

void OptionsDialog::ShowError(const std::string& message) {
    RunErrorBox(message, this);
}

void OptionsDialog::ShowServerList(ServerList list) {
    QListWidget* shown = ServerLists[static_cast<std::size_t>(list)];
    const std::string& text = list == ServerList::kMasters ? settings_.Masters : settings_.Favorites;
    shown->clear();
    for (const std::string& entry : ServerListEntries(text)) shown->addItem(QText(entry));
}

std::string OptionsDialog::ServerEntryText(ServerList list) const {
    return PlainText(ServerEntries[static_cast<std::size_t>(list)]->text());
}

void OptionsDialog::ClearServerEntry(ServerList list) {
    ServerEntries[static_cast<std::size_t>(list)]->clear();
}

std::optional<std::string> OptionsDialog::RunSoundOpenDialog() {
    QFileDialog dialog(this, "Open", QString(), "MS Wave files (*.wav)");
    // The desktop's own dialogs do not say which file is highlighted.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    connect(&dialog, &QFileDialog::currentChanged, this, [this](const QString& path) {
        if (options_ && QFileInfo(path).isFile()) options_->SoundOpenDialogSelectionChange(PlainPath(path));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return PlainPath(dialog.selectedFiles().first());
}

std::optional<std::string> OptionsDialog::RunLogSaveDialog() {
    QFileDialog dialog(this, "Save As");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(TOptions::kLogDefaultExtension);
    dialog.selectFile(QString(TOptions::kLogDefaultName) + "." + TOptions::kLogDefaultExtension);
    dialog.setNameFilters({"Text files (*.txt)", "All files (*)"});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return PlainPath(dialog.selectedFiles().first());
}

// Enter in an address field adds the address; it does not close the dialog
// as it would elsewhere.
bool OptionsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        for (std::size_t i = 0; i < ServerEntries.size(); ++i) {
            if (watched != ServerEntries[i] || (key != Qt::Key_Return && key != Qt::Key_Enter)) continue;
            if (options_) options_->AddServerEntry(static_cast<ServerList>(i));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// The close box and Escape close like OK: saved first, and kept open when
// the save fails.
void OptionsDialog::closeEvent(QCloseEvent* event) {
    if (isVisible() && options_ && !options_->FormClose()) {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace torvane
