// Log texts carry names and messages from the network: none may break a line.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "notify/log.h"
#include "platform/clock.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const torvane::ManualClock clock;
    const std::string text(reinterpret_cast<const char*>(data), size);
    torvane::EventLog log(clock);
    log.AddLogLine(text);
    const std::string& line = log.Lines().back();
    if (line.find_first_of("\r\n") != std::string::npos) std::abort();
    if (!line.ends_with(" : " + torvane::SingleLine(text))) std::abort();
    return 0;
}
