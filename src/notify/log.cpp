#include "notify/log.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "platform/localtime.h"
#include "platform/uniquefd.h"

namespace torvane {

namespace {

void AppendToFile(const std::string& path, const std::string& line) {
    // Non-blocking, so a log path naming a pipe that nobody reads fails at
    // once instead of freezing the program until a reader comes.
    const UniqueFd file(open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666));
    if (!file.Valid()) return;
    const std::string text = line + '\n';
    (void)!write(file.Get(), text.data(), text.size());
}

}  // namespace

EventLog::EventLog(const Clock& clock) : clock_(clock) {}

void EventLog::AddLogLine(const std::string& text) {
    if (!enabled_) return;
    const std::string line = LongTimeText(clock_.CalendarSeconds()) + " : " + SingleLine(text);
    lines_.push_back(line);
    if (lines_.size() > kMaxLines) lines_.pop_front();
    if (!log_file_.empty()) AppendToFile(log_file_, line);
}

std::string SingleLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}

}  // namespace torvane
