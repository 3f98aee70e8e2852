#pragma once

#include <cstddef>
#include <deque>
#include <string>

#include "platform/clock.h"

namespace torvane {

// Torvane's running log: each line is the local time in the user's long time
// format, " : " and a text. Lines are kept for the log window and, when a log
// file is set, appended to that file.
class EventLog {
public:
    // The window keeps at most this many lines, dropping the oldest; a copy
    // left running for weeks must not grow without end. The file keeps all.
    static constexpr size_t kMaxLines = 10'000;

    explicit EventLog(const Clock& clock);

    // Adds one line unless logging is off. CR and LF inside `text` become
    // blanks, so a text from the network can never start a line of its own.
    // The file is opened, appended to and closed for every line (created when
    // missing, never truncated); a file that cannot be written is skipped
    // without a word and tried again at the next line.
    void AddLogLine(const std::string& text);

    // Sets the log file; empty means none. Nothing is opened or checked here.
    void SetLogFile(const std::string& path) { log_file_ = path; }
    const std::string& LogFile() const { return log_file_; }

    // The logging switch: while off, lines are dropped.
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    bool Enabled() const { return enabled_; }

    // The lines of this run, oldest first.
    const std::deque<std::string>& Lines() const { return lines_; }

private:
    const Clock& clock_;
    std::string log_file_;
    bool enabled_ = true;
    std::deque<std::string> lines_;
};

// `text` with every CR and LF replaced by a blank.
std::string SingleLine(std::string text);

}  // namespace torvane
