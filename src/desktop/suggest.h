// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include "peers/suggest.h"

namespace torvane {

// The challenge dialog "Challenge received": who challenges, to which game
// and map, and the three answers. Modeless and always on top; a second
// challenge replaces what it shows. Enter and Escape ignore the challenge,
// so that a key meant for another window never launches the game.
class ChallengeDialog final : public QDialog, public ChallengeListener {
    Q_OBJECT

public:
    ChallengeDialog();

    // The logic, once start-up has made it. Until then the buttons only hide
    // the dialog.
    void Attach(TSuggestForm* form) { form_ = form; }

    // ChallengeListener: the labels and caption shown, the dialog in front;
    // hidden after an answer.
    void ChallengeShown(const ChallengeLabels& labels) override;
    void ChallengeHidden() override { hide(); }

    QLabel* PlayerLabel;
    QLabel* GameLabel;
    QLabel* MapLabel;
    QPushButton* BitBtn1;  // &Accept
    QPushButton* BitBtn2;  // &Ignore
    QPushButton* BitBtn3;  // &Busy

protected:
    void reject() override { BitBtn2->click(); }

private:
    QWidget* BuildUpperPanel();
    QWidget* BuildLowerPanel();
    void Answer(void (TSuggestForm::*handler)());

    TSuggestForm* form_ = nullptr;
};

}  // namespace torvane
