// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QPlainTextEdit>
#include <QWidget>
#include <deque>
#include <string>

#include "notify/logf.h"

namespace torvane {

// The log window "Torvane log": one memo with this run's lines (the newest
// EventLog::kMaxLines of them). Closing it only hides it; while logging is
// off it takes no input. Lines that come while it is hidden are put into
// the memo when it is shown.
class LogWindow final : public QWidget, public LogView {
    Q_OBJECT

public:
    LogWindow();

    void AppendLine(const std::string& line) override;
    void SetInputEnabled(bool enabled) override { setEnabled(enabled); }
    void ShowAndRaise() override;

    QPlainTextEdit* LogMemo;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void ShowPendingLines();

    // Lines that came while the window was hidden, newest last: a memo lays
    // out every line it takes, and a hidden one would do it for nobody.
    std::deque<std::string> pending_;
};

}  // namespace torvane
