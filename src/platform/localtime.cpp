#include "platform/localtime.h"

#include <clocale>
#include <ctime>

namespace torvane {

namespace {

class UserTimeLocale {
public:
    UserTimeLocale() : locale_(newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0))) {
        // An environment naming a locale that is not installed falls back to C.
        if (locale_ == static_cast<locale_t>(0))
            locale_ = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
    }
    UserTimeLocale(const UserTimeLocale&) = delete;
    UserTimeLocale& operator=(const UserTimeLocale&) = delete;
    ~UserTimeLocale() {
        if (locale_ != static_cast<locale_t>(0)) freelocale(locale_);
    }
    locale_t Get() const { return locale_; }

private:
    locale_t locale_;
};

}  // namespace

std::string LongTimeText(int64_t calendar_seconds) {
    // Time zone and locale are read afresh each time: a log line is rare, and
    // the user may change either while we run.
    tzset();
    const time_t seconds = static_cast<time_t>(calendar_seconds);
    tm local{};
    if (localtime_r(&seconds, &local) == nullptr) return {};
    UserTimeLocale locale;
    char text[128];
    const size_t n = locale.Get() == static_cast<locale_t>(0)
                         ? strftime(text, sizeof text, "%X", &local)
                         : strftime_l(text, sizeof text, "%X", &local, locale.Get());
    return std::string(text, n);
}

}  // namespace torvane
