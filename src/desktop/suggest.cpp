// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/suggest.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include "desktop/toolkit/fonts.h"
#include "desktop/toolkit/text.h"

namespace torvane {

namespace {

constexpr int kClientWidth = 337;
constexpr int kClientHeight = 139;
constexpr int kUpperPanelHeight = 89;
constexpr int kButtonHeight = 33;

QWidget* Panel(QWidget* parent, const QColor& colour) {
    auto* panel = new QWidget(parent);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, colour);
    panel->setPalette(palette);
    return panel;
}

QLabel* CentredLabel(QWidget* parent, const QString& text, const QColor& colour, const QFont& font,
                     int height) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);  // names come from the network
    label->setAlignment(Qt::AlignCenter);
    label->setFont(font);
    label->setFixedHeight(height);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

// The Ignore button's own glyph: a grey circle crossed out, drawn here.
QIcon IgnoreGlyph() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(96, 96, 96), 2));
    painter.drawEllipse(QRectF(2, 2, 12, 12));
    painter.drawLine(QPointF(4.5, 11.5), QPointF(11.5, 4.5));
    return QIcon(pixmap);
}

}  // namespace

ChallengeDialog::ChallengeDialog() {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint);
    setModal(false);
    setWindowTitle("Challenge received");
    setFixedSize(kClientWidth, kClientHeight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(BuildUpperPanel());
    layout->addWidget(BuildLowerPanel(), 1);
}

QWidget* ChallengeDialog::BuildUpperPanel() {
    QWidget* panel = Panel(this, QColor(128, 0, 0));
    panel->setFixedHeight(kUpperPanelHeight);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(0);
    PlayerLabel =
        CentredLabel(panel, "Player challenges you", Qt::yellow, DisplayFont("Arial Black", 21), 30);
    PlayerLabel->setWordWrap(true);
    GameLabel =
        CentredLabel(panel, "Game : some_game", QColor(0, 255, 0), DisplayFont("Arial Black", 16, true), 23);
    MapLabel =
        CentredLabel(panel, "Map : some_map", QColor(255, 0, 255), DisplayFont("Arial Black", 15, true), 22);
    for (QLabel* label : {PlayerLabel, GameLabel, MapLabel}) layout->addWidget(label);
    layout->addStretch(1);
    return panel;
}

QWidget* ChallengeDialog::BuildLowerPanel() {
    QWidget* panel = Panel(this, QColor(0, 0, 255));
    const QFont font = DisplayFont("Arial Black", 16);
    const auto button = [&](const char* caption, int left, int width, const QIcon& glyph) {
        auto* b = new QPushButton(glyph, caption, panel);
        b->setFont(font);
        b->setGeometry(left, (kClientHeight - kUpperPanelHeight - kButtonHeight) / 2, width, kButtonHeight);
        b->setAutoDefault(false);
        return b;
    };
    BitBtn1 = button("&Accept", 8, 105, style()->standardIcon(QStyle::SP_DialogOkButton));
    BitBtn1->setToolTip("Launch Quake");
    BitBtn2 = button("&Ignore", 120, 105, IgnoreGlyph());
    BitBtn2->setToolTip("Ignore");
    BitBtn2->setDefault(true);
    BitBtn3 = button("&Busy", 232, 97, style()->standardIcon(QStyle::SP_DialogCancelButton));
    connect(BitBtn1, &QPushButton::clicked, this, [this] { Answer(&TSuggestForm::BitBtn1Click); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { Answer(&TSuggestForm::BitBtn2Click); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { Answer(&TSuggestForm::BitBtn3Click); });
    return panel;
}

void ChallengeDialog::Answer(void (TSuggestForm::*handler)()) {
    if (form_) {
        (form_->*handler)();
    } else {
        hide();
    }
}

void ChallengeDialog::ChallengeShown(const ChallengeLabels& labels) {
    PlayerLabel->setText(QText(labels.Player));
    GameLabel->setText(QText(labels.Game));
    MapLabel->setText(QText(labels.Map));
    setWindowTitle(QText(labels.Caption));
    if (!isVisible()) {
        // Centred on the screen each time it comes up.
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect place(QPoint(), size());
            place.moveCenter(screen->availableGeometry().center());
            move(place.topLeft());
        }
    }
    show();
    raise();
    activateWindow();
}

}  // namespace torvane
