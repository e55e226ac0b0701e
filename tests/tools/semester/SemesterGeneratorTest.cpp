#include "semester/SemesterGenerator.hpp"

#include "core/browsing/TabPayload.hpp"
#include "core/episodes/TriggerDetector.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/learning/AnswerPayload.hpp"
#include "core/learning/RunPayload.hpp"
#include "core/learning/UndoPayload.hpp"
#include "core/observations/AppPayload.hpp"
#include "core/observations/AudioDevicesPayload.hpp"
#include "core/observations/AudioPayload.hpp"
#include "core/observations/DisplaysPayload.hpp"
#include "core/observations/EventStartPayload.hpp"
#include "core/observations/LocationPayload.hpp"
#include "core/observations/OstrelStartPayload.hpp"
#include "core/observations/PowerPayload.hpp"
#include "core/observations/RunningAppsPayload.hpp"
#include "core/observations/WiFiPayload.hpp"
#include "core/observations/WindowPayload.hpp"
#include "core/observations/WindowsPayload.hpp"

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>

#include <gtest/gtest.h>

namespace ostrel::semester {
namespace {

SemesterOptions options(int days, int perDay, std::uint64_t seed = 1) {
    SemesterOptions result;
    result.days = days;
    result.perDay = perDay;
    result.seed = seed;
    return result;
}

// Four weeks at a modest rate, made once: long enough for every kind of day, the classes of each
// weekday and the application's own asks, runs, undos and tidy-ups.
const Semester& month() {
    static const Semester semester = generateSemester(options(28, 1'500));
    return semester;
}

TEST(SemesterGenerator, SameOptionsGiveTheSameSemesterAndAnotherSeedAnother) {
    const Semester a = generateSemester(options(3, 1'000, 7));
    const Semester b = generateSemester(options(3, 1'000, 7));
    EXPECT_EQ(a.observations, b.observations);
    EXPECT_EQ(a.triggers, b.triggers);
    EXPECT_EQ(a.calendar, b.calendar);
    EXPECT_FALSE(a.triggers.empty());

    const Semester other = generateSemester(options(3, 1'000, 8));
    EXPECT_NE(a.observations, other.observations);
    EXPECT_NE(a.calendar, other.calendar);
}

TEST(SemesterGenerator, ADayStaysTheSameWhenMoreDaysFollowIt) {
    SemesterGenerator shorter(options(2, 800, 3));
    SemesterGenerator longer(options(5, 800, 3));
    for (int day = 0; day < 2; ++day) {
        const auto a = shorter.nextDay();
        const auto b = longer.nextDay();
        ASSERT_TRUE(a && b);
        EXPECT_EQ(a->observations, b->observations) << "day " << day;
        EXPECT_EQ(a->triggers, b->triggers) << "day " << day;
    }
    EXPECT_FALSE(shorter.nextDay());
    EXPECT_TRUE(longer.nextDay());
}

TEST(SemesterGenerator, EverySignalIsRecordedWithAPayloadOfItsOwnRecord) {
    using Check = std::function<bool(const SignalObservation&)>;
    const auto decodes = []<class Record>() -> Check {
        return [](const SignalObservation& o) { return o.decoded<Record>().has_value(); };
    };
    const Check empty = [](const SignalObservation& o) { return o.payload == "{}"; };
    const std::map<Signal, Check> records = {
        {Signal::quevStart, decodes.operator()<OstrelStartPayload>()},
        {Signal::appLaunch, decodes.operator()<AppPayload>()},
        {Signal::appActivate, decodes.operator()<AppPayload>()},
        {Signal::appHide, decodes.operator()<AppPayload>()},
        {Signal::appUnhide, decodes.operator()<AppPayload>()},
        {Signal::appQuit, decodes.operator()<AppPayload>()},
        {Signal::appsRunning, decodes.operator()<RunningAppsPayload>()},
        {Signal::userIdle, empty},
        {Signal::userActive, empty},
        {Signal::wake, empty},
        {Signal::sleep, empty},
        {Signal::lock, empty},
        {Signal::unlock, empty},
        {Signal::displays, decodes.operator()<DisplaysPayload>()},
        {Signal::audio, decodes.operator()<AudioPayload>()},
        {Signal::audioDevices, decodes.operator()<AudioDevicesPayload>()},
        {Signal::wifi, decodes.operator()<WiFiPayload>()},
        {Signal::location, decodes.operator()<LocationPayload>()},
        {Signal::power, decodes.operator()<PowerPayload>()},
        {Signal::eventStart, decodes.operator()<EventStartPayload>()},
        {Signal::windowFocus, decodes.operator()<WindowPayload>()},
        {Signal::windowOpen, decodes.operator()<WindowPayload>()},
        {Signal::windowClose, decodes.operator()<WindowPayload>()},
        {Signal::windowFrame, decodes.operator()<WindowPayload>()},
        {Signal::windowMinimize, decodes.operator()<WindowPayload>()},
        {Signal::windowUnminimize, decodes.operator()<WindowPayload>()},
        {Signal::windowChange, decodes.operator()<WindowPayload>()},
        {Signal::windows, decodes.operator()<WindowsPayload>()},
        {Signal::quevRun, decodes.operator()<RunPayload>()},
        {Signal::quevUndo, decodes.operator()<UndoPayload>()},
        {Signal::quevTidy, decodes.operator()<UndoPayload>()},
        {Signal::quevAnswer, decodes.operator()<AnswerPayload>()},
        {Signal::browserTab, decodes.operator()<TabPayload>()},
    };
    ASSERT_EQ(records.size(), 33u);

    const Semester& semester = month();
    std::map<Signal, int> seen;
    std::int64_t previous = semester.from;
    for (const SignalObservation& observation : semester.observations) {
        const auto record = records.find(observation.signal);
        ASSERT_NE(record, records.end()) << observation.signal.rawValue;
        EXPECT_TRUE(record->second(observation)) << observation.signal.rawValue << " " << observation.payload;
        EXPECT_GE(observation.ts, previous) << "out of order: " << observation.signal.rawValue;
        previous = observation.ts;
        ++seen[observation.signal];
    }
    EXPECT_LT(previous, semester.to);
    for (const auto& [signal, check] : records) {
        EXPECT_GT(seen[signal], 0) << signal.rawValue << " never recorded";
    }
}

TEST(SemesterGenerator, TheStoredTriggersAreWhatTheDetectorFindsInTheWholeSemester) {
    // The recorder ran on a sliding window, as the application's does; over the whole record the
    // detector must find the same moments, or the window cut something off.
    const Semester& semester = month();
    EXPECT_EQ(TriggerDetector::triggers(semester.observations, semester.from, semester.to),
              semester.triggers);

    std::map<Trigger::Kind, int> kinds;
    for (const Trigger& trigger : semester.triggers) {
        ++kinds[trigger.kind];
    }
    for (const Trigger::Kind kind :
         {Trigger::Kind::wake, Trigger::Kind::unlock, Trigger::Kind::login, Trigger::Kind::eventStart}) {
        EXPECT_GT(kinds[kind], 0) << toString(kind);
    }
}

TEST(SemesterGenerator, TabsKeepTheirAddressOnlyShortlyAfterATrigger) {
    const Semester& semester = month();
    int withAddress = 0;
    int siteOnly = 0;
    auto trigger = semester.triggers.begin();
    std::optional<std::int64_t> last;
    for (const SignalObservation& observation : semester.observations) {
        while (trigger != semester.triggers.end() && trigger->ts <= observation.ts) {
            last = (trigger++)->ts;
        }
        if (observation.signal != Signal::browserTab) {
            continue;
        }
        const auto tab = observation.decoded<TabPayload>();
        ASSERT_TRUE(tab);
        if (tab->excluded) {
            EXPECT_FALSE(tab->site || tab->url) << observation.payload;
            continue;
        }
        const bool recent = last && observation.ts - *last <= TabPayload::addressWindow;
        EXPECT_EQ(tab->url.has_value(), recent) << observation.ts << " " << observation.payload;
        ++(tab->url ? withAddress : siteOnly);
    }
    EXPECT_GT(withAddress, 0);
    EXPECT_GT(siteOnly, 0);
}

TEST(SemesterGenerator, DaysAverageTheAskedRate) {
    for (const int perDay : {2'000, 6'000}) {
        const Semester semester = generateSemester(options(7, perDay, 11));
        const double average = static_cast<double>(semester.observations.size()) / 7.0;
        EXPECT_NEAR(average, perDay, perDay * 0.12) << perDay;
    }
}

TEST(SemesterGenerator, ClassesRepeatWeeklyAtTheirTimeInTheZone) {
    const Semester& semester = month();
    const Calendar calendar("Europe/Berlin", "en_US");
    std::map<std::string, std::set<std::pair<int, int>>> slots; // weekday and minute of each series
    std::set<std::string> oneOffs;
    for (const CalendarEvent& event : semester.calendar) {
        EXPECT_LT(event.start, event.end);
        if (!event.recurring) {
            EXPECT_EQ(event.occurrence, event.start);
            oneOffs.insert(event.key);
            continue;
        }
        // The occurrence is the scheduled start, so it keeps the weekly slot even when moved.
        const auto local = calendar.components(static_cast<Date>(event.occurrence) / 1000.0);
        slots[event.key].emplace(local.weekday, local.hour * 60 + local.minute);
    }
    EXPECT_GE(slots.size(), 5u);
    for (const auto& [key, times] : slots) {
        EXPECT_LE(times.size(), 2u) << key; // a lecture meets once or twice a week, at fixed times
    }
    EXPECT_FALSE(oneOffs.empty());
}

TEST(SemesterGenerator, NoTwoEventsOfTheStudentOverlap) {
    // An event starting while another runs would be filed under the one already running.
    for (const std::uint64_t seed : {5u, 11u, 23u}) {
        const Semester semester = generateSemester(options(28, 200, seed));
        std::vector<CalendarEvent> events = semester.calendar;
        std::sort(events.begin(), events.end(),
                  [](const CalendarEvent& a, const CalendarEvent& b) { return a.start < b.start; });
        for (std::size_t i = 1; i < events.size(); ++i) {
            EXPECT_LE(events[i - 1].end, events[i].start)
                << seed << ": " << events[i - 1].title << " and " << events[i].title;
        }
        EXPECT_GT(events.size(), 40u) << seed;
        EXPECT_GT(std::count_if(events.begin(), events.end(), [](const auto& e) { return !e.recurring; }), 4)
            << seed;
    }
}

TEST(SemesterGenerator, RefusesOptionsItCannotMeet) {
    struct Case {
        const char* name;
        std::function<void(SemesterOptions&)> change;
    };
    const Case cases[] = {
        {"no days", [](SemesterOptions& o) { o.days = 0; }},
        {"too many days", [](SemesterOptions& o) { o.days = SemesterOptions::maxDays + 1; }},
        {"negative rate", [](SemesterOptions& o) { o.perDay = -1; }},
        {"month 13", [](SemesterOptions& o) { o.month = 13; }},
        {"30 February",
         [](SemesterOptions& o) {
             o.month = 2;
             o.day = 30;
         }},
        {"unknown zone", [](SemesterOptions& o) { o.zone = "Mars/Olympus_Mons"; }},
    };
    for (const Case& c : cases) {
        SemesterOptions o = options(1, 100);
        c.change(o);
        EXPECT_ANY_THROW(SemesterGenerator{o}) << c.name;
    }
}

} // namespace
} // namespace ostrel::semester
