// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/localtime.h"

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>

namespace torvane {

namespace {

constexpr locale_t kNoLocale = static_cast<locale_t>(0);

// The user's time locale, made again only when the environment that names
// it changes: making one is not free, and the C library leaks a little on
// every newlocale when LOCPATH is set.
class UserTimeLocale {
public:
    static locale_t Get() {
        static UserTimeLocale cache;
        std::lock_guard lock(cache.mutex_);
        const std::string key = EnvironmentKey();
        if (key != cache.key_ || cache.locale_ == kNoLocale) {
            if (cache.locale_ != kNoLocale) freelocale(cache.locale_);
            cache.locale_ = newlocale(LC_TIME_MASK, "", kNoLocale);
            // An environment naming a locale that is not installed falls back to C.
            if (cache.locale_ == kNoLocale) cache.locale_ = newlocale(LC_TIME_MASK, "C", kNoLocale);
            cache.key_ = key;
        }
        return cache.locale_;
    }

private:
    static std::string EnvironmentKey() {
        std::string key;
        for (const char* name : {"LC_ALL", "LC_TIME", "LANG", "LOCPATH"}) {
            const char* value = std::getenv(name);
            key += value ? value : "";
            key += '\0';
        }
        return key;
    }

    std::mutex mutex_;
    std::string key_;
    locale_t locale_ = kNoLocale;
};

}  // namespace

std::string LongTimeText(int64_t calendar_seconds) {
    // The time zone is read afresh each time, so a change of zone shows in
    // the next line.
    tzset();
    const time_t seconds = static_cast<time_t>(calendar_seconds);
    tm local{};
    if (localtime_r(&seconds, &local) == nullptr) return {};
    const locale_t locale = UserTimeLocale::Get();
    char text[128];
    const size_t n = locale == kNoLocale ? strftime(text, sizeof text, "%X", &local)
                                         : strftime_l(text, sizeof text, "%X", &local, locale);
    return std::string(text, n);
}

}  // namespace torvane
