#include "app/editor/Wording.hpp"

#include "platform/sim/SimulatedMachine.hpp"

#include <limits>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

// ICU writes a narrow no-break space before the English day period.
const std::string nnbsp = "\u202F";

const Calendar english("America/New_York", "en_US");
const Calendar german("Europe/Berlin", "de_DE");

TEST(WordingTest, WeekdayListsNameSetsAndTheRestMondayFirst) {
    const struct {
        const Calendar& calendar;
        std::vector<std::int64_t> weekdays;
        std::string words;
    } cases[] = {
        {english, {6, 2, 2, 3, 4, 5}, "Weekdays"},
        {english, {7, 1}, "Weekends"},
        {english, {1, 2, 3, 4, 5, 6, 7}, "Every day"},
        {english, {3, 1}, "Tue and Sun"},
        {english, {1, 3}, "Tue and Sun"},
        {english, {1, 7, 8}, "Sat and Sun"},
        {english, {6, 2, 4, 4}, "Mon, Wed, and Fri"},
        {english, {2, 3, 4, 5, 6, 7}, "Mon, Tue, Wed, Thu, Fri, and Sat"},
        {english, {}, ""},
        {english, {0, 8, -1}, ""},
        {german, {1, 3}, "Di. und So."},
        {german, {6, 2, 4}, "Mo., Mi. und Fr."},
        {german, {2, 3, 4, 5, 6}, "Weekdays"},
    };
    for (const auto& one : cases) {
        EXPECT_EQ(Wording::days(one.weekdays, one.calendar), one.words)
            << one.calendar.locale() << " " << testing::PrintToString(one.weekdays);
    }
}

TEST(WordingTest, WeekdayNamesFollowTheLocaleInMondayFirstOrder) {
    const struct {
        const Calendar& calendar;
        std::vector<std::string> shortNames;
        std::vector<std::string> veryShortNames;
    } cases[] = {
        {english, {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"}, {"M", "T", "W", "T", "F", "S", "S"}},
        {german, {"Mo.", "Di.", "Mi.", "Do.", "Fr.", "Sa.", "So."}, {"M", "D", "M", "D", "F", "S", "S"}},
    };
    for (const auto& one : cases) {
        std::vector<std::string> shortNames;
        std::vector<std::string> veryShortNames;
        for (const int day : Wording::weekdayOrder) {
            shortNames.push_back(Wording::shortWeekday(day, one.calendar));
            veryShortNames.push_back(Wording::veryShortWeekday(day, one.calendar));
        }
        EXPECT_EQ(shortNames, one.shortNames) << one.calendar.locale();
        EXPECT_EQ(veryShortNames, one.veryShortNames) << one.calendar.locale();
        for (const std::int64_t outside : {0, 8}) {
            EXPECT_EQ(Wording::shortWeekday(outside, one.calendar), "");
            EXPECT_EQ(Wording::veryShortWeekday(outside, one.calendar), "");
        }
    }
}

TEST(WordingTest, MinutesReadAsTheLocalesShortTime) {
    const struct {
        const Calendar& calendar;
        std::int64_t minute;
        std::string words;
    } cases[] = {
        {english, 540, "9:00" + nnbsp + "AM"},
        {english, 450, "7:30" + nnbsp + "AM"},
        {english, 0, "12:00" + nnbsp + "AM"},
        {english, 1439, "11:59" + nnbsp + "PM"},
        // Past either end of the day: the neighbouring day's time.
        {english, 1440 + 5, "12:05" + nnbsp + "AM"},
        {english, -30, "11:30" + nnbsp + "PM"},
        {english, 60 * 24 * 1000 + 90, "1:30" + nnbsp + "AM"},
        {german, 540, "09:00"},
        {german, 1305, "21:45"},
    };
    for (const auto& one : cases) {
        EXPECT_EQ(Wording::clock(one.minute, one.calendar), one.words) << one.calendar.locale() << " " << one.minute;
    }
    // A corrupt stored minute still reads as some time of day.
    EXPECT_FALSE(Wording::clock(std::numeric_limits<std::int64_t>::max(), english).empty());
    EXPECT_FALSE(Wording::clock(std::numeric_limits<std::int64_t>::min(), english).empty());
}

TEST(WordingTest, EachCueIsOneSentenceThatShowsNoHashOrId) {
    SimulatedMachine machine;
    MachineState::InstalledApp calculator;
    calculator.appID = "org.gnome.Calculator";
    calculator.name = "Calculator";
    machine.installApp(calculator);
    const std::vector<CalendarSeries> series = {{"series-phys", "Physics", 0}, {"series-phys", "Later title", 0}};
    const struct {
        const Calendar& calendar;
        Cue cue;
        std::string words;
    } cases[] = {
        {english, {Cue::Event{"series-phys"}}, "When Physics starts"},
        {english, {Cue::Event{"series-gone"}}, "When a class starts"},
        {english, {Cue::Time{{2, 3, 4, 5, 6}, 540}}, "Weekdays at 9:00" + nnbsp + "AM"},
        {english, {Cue::Time{{}, 450}}, " at 7:30" + nnbsp + "AM"},
        {german, {Cue::Time{{3, 1}, 450}}, "Di. und So. at 07:30"},
        {english, {Cue::WiFi{"0123456789abcdef", "Campus"}}, "On the Campus Wi-Fi"},
        {english, {Cue::Display{"UUID-1", "DELL U2720Q"}}, "When DELL U2720Q is plugged in"},
        {english, {Cue::AudioDevice{"uid-7", "Headphones"}}, "When Headphones connects"},
        {english, {Cue::App{"org.gnome.Calculator"}}, "When you open Calculator"},
        {english, {Cue::App{"com.example.Gone"}}, "When you open com.example.Gone"},
    };
    for (const auto& one : cases) {
        EXPECT_EQ(Wording::words(one.cue, series, one.calendar, machine.workspace()), one.words) << one.words;
    }
    EXPECT_EQ(Wording::words({Cue::Event{"series-phys"}}, {}, english, machine.workspace()), "When a class starts");
}

TEST(WordingTest, PlacesAndLearnedMoments) {
    const Wording::NetworkName onCampus = [](const std::string& hash) -> std::optional<std::string> {
        return hash == "0123456789abcdef" ? std::optional<std::string>("Campus") : std::nullopt;
    };
    const std::vector<CalendarSeries> series = {{"series-phys", "Physics", 0}};
    const std::string monday = "Mondays around 9:30" + nnbsp + "AM";
    const struct {
        ContextKey key;
        Wording::NetworkName networkName;
        std::string words;
    } cases[] = {
        {ContextKey::event("series-phys"), onCampus, "When Physics starts"},
        {ContextKey::event("series-gone"), onCampus, "When A calendar series starts"},
        {ContextKey::title("career fair"), onCampus, "When Career Fair starts"},
        {ContextKey::slot(2, 19, "wifi:0123456789abcdef"), onCampus, monday + " on Campus"},
        {ContextKey::slot(2, 19, "wifi:fedcba9876543210"), onCampus, monday + " on a Wi-Fi network you use"},
        {ContextKey::slot(2, 19, "wifi:0123456789abcdef"), nullptr, monday + " on a Wi-Fi network you use"},
        {ContextKey::slot(2, 19, "place:3"), onCampus, monday + " at a place you often are"},
        {ContextKey::slot(2, 19, "WIFI:0123456789abcdef"), onCampus, monday},
        {ContextKey::slot(2, 19, "unknown"), onCampus, monday},
        {ContextKey::made("0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9"), onCampus, "Only when you ask"},
    };
    for (const auto& one : cases) {
        EXPECT_EQ(Wording::moment(one.key, series, english, one.networkName), one.words) << one.key.id();
    }
    EXPECT_EQ(Wording::place("", onCampus), std::nullopt);
    EXPECT_EQ(Wording::place("wifi:", onCampus), "on a Wi-Fi network you use");
}

} // namespace
} // namespace ostrel
