// SPDX-License-Identifier: GPL-2.0-or-later
// The modal answerer of the window tests: a window that does not come, or
// that its answer leaves open, fails the test instead of hanging it.

#include "modal_helper.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QMessageBox>
#include <fstream>

#include "support/tempdir.h"

namespace torvane::test {
namespace {

TEST(ModalAnswerer, AnAnswerThatLeavesTheWindowOpenFailsAndClosesIt) {
    QMessageBox box(QMessageBox::Information, "Torvane", "left open");
    int result = -1;
    EXPECT_NONFATAL_FAILURE(
        {
            bool answered = false;
            const auto answerer = AnswerNextModal<QMessageBox>([](QMessageBox*) {}, &answered, 200);
            result = box.exec();
            EXPECT_TRUE(answered);
        },
        "the QMessageBox stayed open 200 ms after its answer");
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_FALSE(box.isVisible());
}

TEST(ModalAnswerer, AWindowOfAnotherKindIsClosedAndAWindowThatNeverCameFails) {
    QMessageBox box(QMessageBox::Information, "Torvane", "not a file dialog");
    EXPECT_NONFATAL_FAILURE(
        {
            const auto answerer = AnswerNextModal<QFileDialog>([](QFileDialog*) {}, nullptr, 200);
            box.exec();
        },
        "no QFileDialog came up within 200 ms");
    EXPECT_NONFATAL_FAILURE({ const auto answerer = AnswerNextModal<QMessageBox>([](QMessageBox*) {}); },
                            "no QMessageBox came up");
}

// A file chosen while the dialog is active, its name field focused, is
// still taken.
TEST(ModalAnswerer, AFileIsChosenAlsoOnceTheDialogIsActive) {
    TempDir dir;
    const QString path = QString::fromStdString((dir.Path() / "a.wav").string());
    std::ofstream(path.toStdString()) << "RIFF";
    QFileDialog dialog(nullptr, "Open", QString(), "MS Wave files (*.wav)");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    const auto answerer = AnswerNextModal<QFileDialog>([&](QFileDialog* shown) {
        shown->activateWindow();
        shown->findChild<QLineEdit*>("fileNameEdit")->setFocus();
        ChooseFile(shown, path);
    });
    ASSERT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.selectedFiles(), QStringList{path});
}

}  // namespace
}  // namespace torvane::test
