#pragma once

#include <QPlainTextEdit>
#include <QWidget>

#include "notify/logf.h"

namespace torvane {

// The log window "Torvane log": one memo with this run's lines. Closing it
// only hides it; while logging is off it takes no input.
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
};

}  // namespace torvane
