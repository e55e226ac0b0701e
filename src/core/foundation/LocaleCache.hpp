#pragma once

#include "core/foundation/Calendar.hpp"

#include <memory>
#include <string>

namespace ostrel {

// The last T made on this thread for a calendar's locale and zone, made again only when they
// change. ICU's formatters and symbol tables load locale data when made, and a thread words
// everything in one locale for long stretches, so the last one is all worth keeping. T is made
// from (locale, zone); a T that throws while being made leaves the kept one as it was.
template <class T>
const T& lastForLocale(const Calendar& calendar) {
    struct Kept {
        std::string locale;
        std::string zone;
        std::unique_ptr<T> value;
    };
    thread_local Kept kept;
    if (!kept.value || kept.locale != calendar.locale() || kept.zone != calendar.zone()) {
        kept.value = std::make_unique<T>(calendar.locale(), calendar.zone());
        kept.locale = calendar.locale();
        kept.zone = calendar.zone();
    }
    return *kept.value;
}

} // namespace ostrel
