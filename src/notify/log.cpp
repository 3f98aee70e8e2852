// SPDX-License-Identifier: GPL-2.0-or-later
#include "notify/log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "platform/configdir.h"
#include "platform/localtime.h"

namespace torvane {

namespace {

// Non-blocking, so that a name that turns out to be a pipe fails at once
// instead of freezing the program until a reader comes; never through a
// symbolic link, and readable by the user alone.
constexpr int kOpenFlags = O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
constexpr mode_t kFileMode = 0600;

bool IsControl(unsigned char c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

}  // namespace

void LogFileWriter::SetName(const std::string& name) {
    if (name == name_) return;
    name_ = name;
    fd_.Reset();
}

std::string LogFileWriter::Path() const {
    if (name_.empty() || name_.front() == '/') return name_;
    const std::string base = base_dir_ ? base_dir_() : std::string();
    if (base.empty() || base.front() != '/') return {};
    return base + "/" + name_;
}

bool LogFileWriter::Open() {
    path_ = Path();
    if (path_.empty()) return false;
    UniqueFd fd(open(path_.c_str(), kOpenFlags, kFileMode));
    struct stat about {};
    if (!fd.Valid() || fstat(fd.Get(), &about) != 0 || !S_ISREG(about.st_mode)) return false;
    // Only the open must not wait: writes go to a regular file.
    fcntl(fd.Get(), F_SETFL, O_APPEND);
    size_ = about.st_size;
    fd_ = std::move(fd);
    return true;
}

void LogFileWriter::Rotate() {
    fd_.Reset();
    // The older file goes out of the way first; when it cannot, the log
    // starts over in place rather than grow past its limit.
    if (rename(path_.c_str(), (path_ + ".1").c_str()) != 0)
        UniqueFd(open(path_.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    // The new file is made here, not found: a link planted in between
    // makes the open fail.
    UniqueFd fd(open(path_.c_str(), kOpenFlags | O_EXCL, kFileMode));
    if (!fd.Valid() && errno == EEXIST) fd = UniqueFd(open(path_.c_str(), kOpenFlags, kFileMode));
    struct stat about {};
    if (!fd.Valid() || fstat(fd.Get(), &about) != 0 || !S_ISREG(about.st_mode)) return;
    fcntl(fd.Get(), F_SETFL, O_APPEND);
    size_ = about.st_size;
    fd_ = std::move(fd);
}

void LogFileWriter::Append(const std::string& text) {
    if (name_.empty()) return;
    if (!fd_.Valid() && !Open()) return;
    const auto length = static_cast<off_t>(text.size());
    if (length > max_bytes_) return;
    if (size_ + length > max_bytes_) {
        Rotate();
        if (!fd_.Valid()) return;
    }
    const ssize_t written = write(fd_.Get(), text.data(), text.size());
    if (written > 0) size_ += written;
    // A file that takes nothing (disk full, a lost device) is opened anew
    // at the next line.
    if (written != static_cast<ssize_t>(text.size())) fd_.Reset();
}

EventLog::EventLog(const Clock& clock, std::function<std::string()> base_dir, off_t max_file_bytes)
    : clock_(clock), file_(std::move(base_dir), max_file_bytes) {}

std::string EventLog::ConfigFolder() {
    try {
        return ConfigDir() + "/torvane";
    } catch (const std::runtime_error&) {
        return {};
    }
}

void EventLog::AddLogLine(const std::string& text) {
    if (!enabled_) return;
    std::string line = LongTimeText(clock_.CalendarSeconds()) + " : " + EscapeControls(text);
    line += '\n';
    file_.Append(line);
    line.pop_back();
    lines_.push_back(std::move(line));
    if (lines_.size() > kMaxLines) lines_.pop_front();
}

std::string EscapeControls(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (!IsControl(byte)) {
            out += c;
            continue;
        }
        out += "\\x";
        out += kHex[byte >> 4];
        out += kHex[byte & 0xF];
    }
    return out;
}

}  // namespace torvane
