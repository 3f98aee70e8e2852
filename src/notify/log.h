// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/uniquefd.h"

namespace torvane {

// The log file: appended to through one descriptor that stays open until the
// name changes. It is created for the user alone (mode 0600), never through
// a symbolic link, and only a regular file is written to. It never grows
// past its limit: the line that would take it there first moves it to the
// name with ".1" added (replacing an older one) and starts a new file.
class LogFileWriter {
public:
    static constexpr off_t kDefaultMaxBytes = 10 * 1024 * 1024;

    // `base_dir` answers the folder a relative name is taken from, at the
    // moment of opening.
    explicit LogFileWriter(std::function<std::string()> base_dir, off_t max_bytes = kDefaultMaxBytes)
        : base_dir_(std::move(base_dir)), max_bytes_(max_bytes) {}

    // Sets the name; empty means no file. The file is opened at the next line.
    void SetName(const std::string& name);
    const std::string& Name() const { return name_; }

    // Appends `text` (one line with its line feed). A file that cannot be
    // opened or written is skipped without a word; the next line tries again.
    void Append(const std::string& text);

    // The path the name stands for: itself when absolute, else taken from
    // the base folder; empty when there is none.
    std::string Path() const;

private:
    bool Open();
    void Rotate();

    std::function<std::string()> base_dir_;
    off_t max_bytes_;
    std::string name_;
    std::string path_;  // of the open file
    UniqueFd fd_;
    off_t size_ = 0;
};

// Torvane's running log: each line is the local time in the user's long time
// format, " : " and a text. Lines are kept for the log window and, when a log
// file is set, appended to that file.
class EventLog {
public:
    // The window keeps at most this many lines, dropping the oldest; a copy
    // left running for weeks must not grow without end. A busy LAN logs a
    // few thousand lines an hour, and each kept line costs some hundred
    // bytes here and again in the window: this many keep the last half hour
    // or so in a fifth of a megabyte, and the file keeps them all.
    static constexpr size_t kMaxLines = 2'000;

    // A relative log file name is taken from Torvane's configuration folder,
    // where its settings are, never from the working directory.
    explicit EventLog(const Clock& clock, std::function<std::string()> base_dir = ConfigFolder,
                      off_t max_file_bytes = LogFileWriter::kDefaultMaxBytes);

    // Adds one line unless logging is off. Control characters inside `text`
    // are escaped (see EscapeControls), so a text from the network can
    // neither start a line of its own nor steer a terminal that shows the
    // log. See LogFileWriter for the file.
    void AddLogLine(const std::string& text);

    // Sets the log file; empty means none. Nothing is opened or checked here.
    void SetLogFile(const std::string& path) { file_.SetName(path); }
    const std::string& LogFile() const { return file_.Name(); }

    // The logging switch: while off, lines are dropped.
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    bool Enabled() const { return enabled_; }

    // The lines of this run, oldest first.
    const std::deque<std::string>& Lines() const { return lines_; }

    // $XDG_CONFIG_HOME/torvane; empty when there is no home folder.
    static std::string ConfigFolder();

private:
    const Clock& clock_;
    LogFileWriter file_;
    bool enabled_ = true;
    std::deque<std::string> lines_;
};

// `text` with every control byte (C0, DEL and the C1 bytes 0x80-0x9F) written
// as "\xHH", so that it stays one line and shows as it is on any terminal or
// line reader. The C1 bytes cover the line breaks U+0085 and U+2028 of UTF-8
// text as well: each of their encodings holds one. The one place that makes
// a text from the network safe to show.
std::string EscapeControls(std::string_view text);

}  // namespace torvane
