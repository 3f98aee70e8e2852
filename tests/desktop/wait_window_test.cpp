// SPDX-License-Identifier: GPL-2.0-or-later
// The wait control's face: while StartModal runs inside Qt's loop, clicks
// and key presses on the program's windows beep and go nowhere, and they
// work again once it ends; the bar is drawn to the count's length.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include "desktop/loopbridge.h"
#include "desktop/wait.h"
#include "net/messageloop.h"
#include "net/wait.h"

namespace torvane {
namespace {

TEST(WaitWindow, AModalWaitSwallowsClicksAndKeysWithABeepUntilItEnds) {
    MessageLoop loop;
    LoopBridge bridge(loop);
    TWait wait(loop);
    int beeps = 0;
    WaitControl face(wait, nullptr, [&] { ++beeps; });

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* button = new QPushButton("&Search", &window);
    auto* edit = new QLineEdit(&window);
    layout->addWidget(button);
    layout->addWidget(edit);
    window.show();
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });

    // Once the wait runs: a left click, a right double click, typing and a
    // mnemonic, then the wait is stopped as a socket stops it. Each press
    // beeps; releases pass.
    std::vector<int> beeps_after;
    wait.OnWaitStart = [&](TCustomWait*) {
        QTimer::singleShot(0, [&] {
            QTest::mouseClick(button, Qt::LeftButton);
            beeps_after.push_back(beeps);
            QTest::mouseDClick(button, Qt::RightButton);
            beeps_after.push_back(beeps);
            QTest::keyClicks(edit, "ab");
            beeps_after.push_back(beeps);
            QTest::keyClick(&window, Qt::Key_S, Qt::AltModifier);
            beeps_after.push_back(beeps);
            EXPECT_TRUE(wait.Running());
            wait.Stop();
        });
    };
    wait.SetCaption("30");
    wait.StartModal();

    EXPECT_EQ(wait.ModalResult(), TCustomWait::kModalStopped);
    EXPECT_EQ(clicks, 0);  // neither the click nor Alt+S reached the button
    EXPECT_EQ(edit->text(), "");
    ASSERT_EQ(beeps_after.size(), 4u);
    EXPECT_EQ(beeps_after[0], 1);
    EXPECT_GT(beeps_after[1], beeps_after[0]);
    EXPECT_EQ(beeps_after[2], beeps_after[1] + 2);
    EXPECT_GT(beeps_after[3], beeps_after[2]);
    const int beeps_during = beeps;

    // Afterwards the program takes input again, without a beep.
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::keyClicks(edit, "ok");
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(edit->text(), "ok");
    EXPECT_EQ(beeps, beeps_during);
}

TEST(WaitWindow, TheBarIsAsLongAsTheCountLeft) {
    MessageLoop loop;
    TWait wait(loop);
    WaitControl face(wait);
    ASSERT_EQ(face.size(), QSize(192, 32));
    wait.SetCaption("20");
    wait.Start();
    wait.SetCaption("10");  // half the count left: a bar of 10 * 185 / 20 = 92
    const QImage picture = face.grab().toImage();
    const QColor highlight = face.palette().color(QPalette::Highlight);
    EXPECT_EQ(picture.pixelColor(60, 24), highlight);
    EXPECT_EQ(picture.pixelColor(3 + 92 - 1, 24), highlight);
    EXPECT_EQ(picture.pixelColor(3 + 92 + 4, 24), QColor(Qt::white));
    EXPECT_EQ(picture.pixelColor(180, 16), QColor(Qt::white));
    wait.Stop();
}

}  // namespace
}  // namespace torvane
