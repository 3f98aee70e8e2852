// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QPlainTextEdit>
#include <QWidget>
#include <cstddef>
#include <string>

#include "notify/logf.h"

namespace torvane {

// The log window "Torvane log": one memo with this run's lines (the newest
// EventLog::kMaxLines of them). Closing it only hides it; while logging is
// off it takes no input. Lines that come while it is hidden are put into
// the memo when it is shown, taken then from the log they came from, which
// keeps them anyway.
class LogWindow final : public QWidget, public LogView {
    Q_OBJECT

public:
    LogWindow();

    // The log whose lines this window shows; set before the window is first
    // shown.
    void ShowLinesOf(const EventLog* log) { log_ = log; }

    void AppendLine(const std::string& line) override;
    void SetInputEnabled(bool enabled) override { setEnabled(enabled); }
    void ShowAndRaise() override;

    QPlainTextEdit* LogMemo;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void ShowPendingLines();

    // How many lines came while the window was hidden: a memo lays out
    // every line it takes, and a hidden one would do it for nobody. The
    // lines themselves stay in the log alone, not copied here as well.
    const EventLog* log_ = nullptr;
    std::size_t missed_ = 0;
};

}  // namespace torvane
