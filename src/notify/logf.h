// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "model/services.h"
#include "notify/log.h"

namespace torvane {

// The log window as its logic sees it: a memo of this run's lines.
class LogView {
public:
    virtual ~LogView() = default;

    // Adds `line` as the memo's new last line.
    virtual void AppendLine(const std::string& line) = 0;
    // While logging is off the window takes no input: it cannot be scrolled
    // or typed into.
    virtual void SetInputEnabled(bool enabled) = 0;
    // Makes the window visible and brings it to the front.
    virtual void ShowAndRaise() = 0;
};

// The logic of the log window (TLogForm): it owns the log with its file name
// and the logging switch, and shows each line it keeps. Closing the window
// only hides it. It is the program's log service.
class TLogForm final : public LogSink {
public:
    TLogForm(LogView& view, const Clock& clock);

    // The one log operation: a stamped line to the memo and the log file,
    // both skipped while logging is off.
    void AddLogLine(const std::string& text) override;

    void SetLogFile(const std::string& path) { log_.SetLogFile(path); }
    const std::string& LogFile() const { return log_.LogFile(); }

    // The logging switch is the window's own enabled state.
    void SetEnabled(bool enabled);
    bool Enabled() const { return log_.Enabled(); }

    // "View log".
    void Show() { view_.ShowAndRaise(); }

    // At exit, after the settings are saved.
    void FormDestroy() { AddLogLine("Torvane closed"); }

    const EventLog& Log() const { return log_; }

private:
    LogView& view_;
    EventLog log_;
};

}  // namespace torvane
