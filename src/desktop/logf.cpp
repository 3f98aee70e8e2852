// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/logf.h"

#include <QCloseEvent>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>

#include "notify/log.h"

namespace torvane {

namespace {
constexpr int kWidth = 385;
constexpr int kHeight = 344;
}  // namespace

LogWindow::LogWindow() : QWidget(nullptr, Qt::Window) {
    setWindowTitle("Torvane log");
    resize(kWidth, kHeight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    LogMemo = new QPlainTextEdit(this);
    LogMemo->setReadOnly(true);
    LogMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    LogMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    // As many lines as the log keeps; the oldest go first.
    LogMemo->setMaximumBlockCount(static_cast<int>(EventLog::kMaxLines));
    layout->addWidget(LogMemo);
}

void LogWindow::AppendLine(const std::string& line) {
    if (isHidden()) {
        missed_ = std::min(missed_ + 1, EventLog::kMaxLines);
        return;
    }
    // Log lines carry texts from the network; they are shown as bytes.
    LogMemo->appendPlainText(QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())));
}

void LogWindow::ShowPendingLines() {
    if (missed_ == 0 || log_ == nullptr) return;
    const auto& lines = log_->Lines();
    std::string text;
    for (auto it = lines.end() - static_cast<std::ptrdiff_t>(std::min(missed_, lines.size()));
         it != lines.end(); ++it) {
        text += *it;
        text += '\n';
    }
    missed_ = 0;
    if (text.empty()) return;
    text.pop_back();  // the memo ends each line itself
    // One edit for all of them: the memo lays its text out once.
    LogMemo->appendPlainText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

void LogWindow::showEvent(QShowEvent* event) {
    ShowPendingLines();
    QWidget::showEvent(event);
}

void LogWindow::ShowAndRaise() {
    show();
    raise();
    activateWindow();
}

// The user's close only hides the window; the program's own close at its
// end goes through.
void LogWindow::closeEvent(QCloseEvent* event) {
    if (!event->spontaneous()) return QWidget::closeEvent(event);
    event->ignore();
    hide();
}

}  // namespace torvane
