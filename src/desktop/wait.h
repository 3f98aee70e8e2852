// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QWidget>
#include <functional>

#include "net/wait.h"

namespace torvane {

// The face of a wait control: the countdown bar with its count, and the
// input filter of StartModal. While the filter is on, every click and key
// press on the program's windows is offered to the control, which beeps
// and swallows it.
class WaitControl final : public QWidget, public TWaitView {
    Q_OBJECT

public:
    explicit WaitControl(TCustomWait& wait, QWidget* parent = nullptr,
                         std::function<void()> beep = &WaitControl::SystemBeep);
    ~WaitControl() override;

    // TWaitView.
    void Invalidate() override { update(); }
    void SetVisible(bool visible) override { setVisible(visible); }
    void SetInputFilter(bool installed) override;
    void Beep() override { beep_(); }

    QSize sizeHint() const override { return {wait_.Width(), wait_.Height()}; }

    static void SystemBeep();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TCustomWait& wait_;
    std::function<void()> beep_;
    bool filtering_ = false;
};

}  // namespace torvane
