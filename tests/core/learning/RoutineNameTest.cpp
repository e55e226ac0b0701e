#include "core/learning/RoutineName.hpp"

#include "support/Printers.hpp"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

// ICU writes a narrow no-break space between the time and AM or PM in US English.
const std::string nnbsp = "\xE2\x80\xAF";

const Calendar& newYork() {
    static const Calendar calendar("America/New_York", "en_US");
    return calendar;
}

TEST(RoutineName, EventKeysTakeTheSeriesTitle) {
    const std::vector<CalendarSeries> series = {
        {"cs", "CS 180 Lecture", 0}, {"cs", "CS 180 (renamed)", 0}, {"bio", "Bio Lab", 0}};
    EXPECT_EQ(RoutineName::name(ContextKey::event("cs"), series, newYork()), "CS 180 Lecture");
    EXPECT_EQ(RoutineName::name(ContextKey::event("bio"), series, newYork()), "Bio Lab");
    EXPECT_EQ(RoutineName::name(ContextKey::event("gone"), series, newYork()), "A calendar series");
    EXPECT_EQ(RoutineName::name(ContextKey::event("cs"), {}, newYork()), "A calendar series");
}

TEST(RoutineName, TitleKeysAreCapitalisedByTheLocalesRules) {
    const struct {
        const char* locale;
        std::string title;
        std::string name;
    } cases[] = {
        {"en_US", "linear algebra review", "Linear Algebra Review"},
        {"en_US", "cs : intro", "Cs : Intro"},
        {"en_US", "mIXED cASE", "Mixed Case"},
        {"en_US", "\xC3\xA9tude de cas", "\xC3\x89tude De Cas"},
        {"en_US", "", ""},
        // The dotted capital I of Turkish, the IJ of Dutch.
        {"tr_TR", "istanbul gezisi", "\xC4\xB0stanbul Gezisi"},
        {"en_US", "istanbul gezisi", "Istanbul Gezisi"},
        {"nl_NL", "ijsselmeer tour", "IJsselmeer Tour"},
    };
    for (const auto& c : cases) {
        const Calendar calendar("UTC", c.locale);
        EXPECT_EQ(RoutineName::name(ContextKey::title(c.title), {}, calendar), c.name)
            << c.locale << " " << c.title;
    }
}

TEST(RoutineName, SlotsAreTheWeekdayAndTheShortTime) {
    const struct {
        std::int64_t weekday;
        std::int64_t halfHour;
        std::string name;
    } cases[] = {
        {2, 19, "Mondays around 9:30" + nnbsp + "AM"},
        {1, 0, "Sundays around 12:00" + nnbsp + "AM"},
        {7, 47, "Saturdays around 11:30" + nnbsp + "PM"},
        {4, 24, "Wednesdays around 12:00" + nnbsp + "PM"},
        // Half hours beyond the day roll over into the neighbouring day's time.
        {3, 48, "Tuesdays around 12:00" + nnbsp + "AM"},
        {3, -1, "Tuesdays around 11:30" + nnbsp + "PM"},
        {3, 95, "Tuesdays around 11:30" + nnbsp + "PM"},
        {3, std::numeric_limits<std::int64_t>::max(),
         "Tuesdays around 3:30" + nnbsp + "PM"}, // 2^63 - 1 = 31 mod 48
        {3, std::numeric_limits<std::int64_t>::min(),
         "Tuesdays around 8:00" + nnbsp + "AM"}, // -2^63 = 16 mod 48
        // A weekday no calendar has (only a stored id can hold one) gets a name without it.
        {0, 19, "Around 9:30" + nnbsp + "AM"},
        {8, 19, "Around 9:30" + nnbsp + "AM"},
        {-6, 19, "Around 9:30" + nnbsp + "AM"},
        {std::numeric_limits<std::int64_t>::max(), 0, "Around 12:00" + nnbsp + "AM"},
        {std::numeric_limits<std::int64_t>::min(), 0, "Around 12:00" + nnbsp + "AM"},
    };
    for (const auto& c : cases) {
        for (const char* place : {"unknown", "wifi:0123456789abcdef", "place:52.5200,13.4050"}) {
            EXPECT_EQ(RoutineName::name(ContextKey::slot(c.weekday, c.halfHour, place), {}, newYork()),
                      c.name)
                << c.weekday << ":" << c.halfHour << ":" << place;
        }
    }
}

TEST(RoutineName, SlotNamesFollowTheLocaleNotTheZone) {
    const struct {
        const char* zone;
        const char* locale;
        std::string name;
    } cases[] = {
        {"Europe/Berlin", "de_DE", "Montags around 09:30"},
        {"Europe/Paris", "fr_FR", "lundis around 09:30"},
        {"Asia/Tokyo", "en_GB", "Mondays around 09:30"},
        {"Pacific/Kiritimati", "en_US", "Mondays around 9:30" + nnbsp + "AM"},
        {"Pacific/Pago_Pago", "en_US", "Mondays around 9:30" + nnbsp + "AM"},
    };
    for (const auto& c : cases) {
        const Calendar calendar(c.zone, c.locale);
        EXPECT_EQ(RoutineName::name(ContextKey::slot(2, 19, "unknown"), {}, calendar), c.name) << c.locale;
    }
}

TEST(RoutineName, TheUsersNameComesFirst) {
    const std::vector<CalendarSeries> series = {{"cs", "CS 180", 0}};
    const ContextKey keys[] = {ContextKey::event("cs"), ContextKey::title("review"),
                               ContextKey::slot(2, 19, "unknown"), ContextKey::made("abc")};
    for (const ContextKey& key : keys) {
        Routine routine{key, {}, 0, 0.5, TrustLevel::observe};
        EXPECT_EQ(RoutineName::name(routine, series, newYork()), RoutineName::name(key, series, newYork()))
            << key.id();
        for (const char* given : {"Morning focus", ""}) {
            routine.edits.name = given;
            EXPECT_EQ(RoutineName::name(routine, series, newYork()), given) << key.id();
        }
    }
    EXPECT_EQ(RoutineName::name(Routine{ContextKey::made("abc")}, series, newYork()), "A routine you made");
}

} // namespace
} // namespace ostrel
