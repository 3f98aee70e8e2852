// SPDX-License-Identifier: GPL-2.0-or-later
// The credits dialog keeps its fixed size, so what it shows must fit: each
// label whole inside the dialog, the version and the licence among them.

#include "desktop/creditform.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>

#include "platform/version.h"

namespace torvane {
namespace {

TEST(CreditForm, ShowsTheVersionAndTheLicenceAndEveryLabelFitsWhole) {
    TCreditForm credits;
    credits.show();
    QApplication::processEvents();

    const QString licence = credits.LicenceLabel->text();
    EXPECT_TRUE(licence.contains(QString("Torvane ") + kTorvaneVersion)) << licence.toStdString();
    EXPECT_TRUE(licence.contains("GNU General Public License, version 2 or later")) << licence.toStdString();
    EXPECT_TRUE(credits.LicenceLabel->isVisible());

    const auto labels = credits.findChildren<QLabel*>();
    ASSERT_GE(labels.size(), 9);
    for (const QLabel* label : labels) {
        const QRect place = label->geometry();
        EXPECT_TRUE(credits.rect().contains(place)) << label->text().toStdString();
        const int needed =
            label->wordWrap() ? label->heightForWidth(place.width()) : label->sizeHint().height();
        EXPECT_GE(place.height(), needed) << label->text().toStdString();
        EXPECT_GE(place.width(), label->minimumSizeHint().width()) << label->text().toStdString();
    }
}

}  // namespace
}  // namespace torvane
