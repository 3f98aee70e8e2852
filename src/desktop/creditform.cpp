// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/creditform.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QPushButton>
#include <QUrl>

#include "platform/version.h"

namespace torvane {

namespace {

constexpr int kWidth = 301;
constexpr int kHeight = 244;

QLabel* Text(const QString& text, QWidget* parent, bool heading = false) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setStyleSheet(heading ? "color: #9ad0ff; font-weight: bold;" : "color: white;");
    return label;
}

// An underlined link with a hand cursor; a click hands `url` to the desktop.
QLabel* Link(const QString& caption, const QString& url, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::RichText);
    label->setText(
        QString("<a href=\"%1\" style=\"color: #ffd54a;\">%2</a>").arg(url, caption.toHtmlEscaped()));
    label->setCursor(Qt::PointingHandCursor);
    label->setOpenExternalLinks(false);
    QObject::connect(label, &QLabel::linkActivated, label,
                     [](const QString& target) { QDesktopServices::openUrl(QUrl(target)); });
    return label;
}

}  // namespace

QString TCreditForm::LicenceText() {
    return QString("Torvane %1, free software under the\nGNU General Public License, version 2 or later")
        .arg(kTorvaneVersion);
}

TCreditForm::TCreditForm() {
    setWindowTitle("Credits");
    setFixedSize(kWidth, kHeight);
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(14, 14, 14, 10);
    grid->setVerticalSpacing(10);
    grid->addWidget(Text("Programming and design :", this, true), 0, 0, Qt::AlignTop);
    grid->addWidget(Text("The Torvane developers", this), 0, 1, Qt::AlignTop);
    grid->addWidget(Text("Ideas + testing :", this, true), 1, 0, Qt::AlignTop);
    grid->addWidget(Text("Friday night LAN regulars", this), 1, 1, Qt::AlignTop);
    grid->addWidget(Text("Technical advice :", this, true), 2, 0, Qt::AlignTop);
    grid->addWidget(Text("Everyone who ever sent a bug report", this), 2, 1, Qt::AlignTop);
    MailLink = Link(kMailAddress, QString("mailto:") + kMailAddress, this);
    grid->addWidget(MailLink, 3, 1);
    grid->addWidget(Text("Homepage", this, true), 4, 0);
    HomepageLink = Link(kHomepage, kHomepage, this);
    grid->addWidget(HomepageLink, 4, 1);
    grid->setRowStretch(5, 1);
    LicenceLabel = Text(LicenceText(), this);
    LicenceLabel->setStyleSheet("color: #b0b0b0; font-size: 8pt;");
    LicenceLabel->setWordWrap(false);
    LicenceLabel->setAlignment(Qt::AlignHCenter);
    grid->addWidget(LicenceLabel, 5, 0, 1, 2, Qt::AlignBottom);
    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::hide);
    grid->addWidget(ok, 6, 0, 1, 2, Qt::AlignHCenter);
}

}  // namespace torvane
