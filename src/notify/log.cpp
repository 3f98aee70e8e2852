#include "notify/log.h"

#include <algorithm>
#include <fstream>

#include "platform/localtime.h"

namespace torvane {

namespace {

void AppendToFile(const std::string& path, const std::string& line) {
    std::ofstream file(path, std::ios::binary | std::ios::app);
    if (file) file << line << '\n';
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
