#pragma once

#include "core/calendar/CalendarEvent.hpp"
#include "core/episodes/Trigger.hpp"
#include "core/foundation/EnumText.hpp"
#include "core/observations/SignalObservation.hpp"
#include "semester/Timetable.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {
class Store;
}

namespace ostrel::semester {

class StudentMac;

// How far the student strays from their routine at a class: how surely they bring up the course's
// own things, how long they stay with them before doing other things, and how often they lock the
// Mac in between. Medium is the student the other options were tuned on.
enum class Noise { low, medium, high };

std::string_view toString(Noise noise);

} // namespace ostrel::semester

namespace ostrel {
template <>
std::optional<semester::Noise> fromString<semester::Noise>(std::string_view text);
} // namespace ostrel

namespace ostrel::semester {

struct SemesterOptions {
    int days = 28;
    // Observations a day on average: weekdays a little more, weekends less. A day never holds
    // fewer than its structure needs (arrivals, snapshots, classes), whatever the rate.
    int perDay = 4'000;
    std::uint64_t seed = 1;
    std::string zone = "Europe/Berlin";
    // The first day, a date in the zone.
    int year = 2026;
    int month = 10;
    int day = 12;
    Noise noise = Noise::medium;

    static constexpr int maxDays = 3'660;
    static constexpr int maxPerDay = 1'000'000;
};

// One generated day: what the Mac recorded from its first session to its last, and the triggers
// the application's recorder stored meanwhile.
struct SemesterDay {
    int index = 0;
    std::int64_t start = 0; // local midnight
    std::int64_t end = 0;   // the next local midnight
    std::vector<SignalObservation> observations;
    std::vector<Trigger> triggers;
};

// A student's semester as their Mac would have recorded it, drawn day by day from a seed: the
// same options always give the same days, and a day does not change when more days follow it.
//
// The student has a weekly timetable of five courses and a few one-off events; gets up at home,
// goes to classes on campus, studies in the library between them and works at home in the
// evening, with an external display and headphones on some days; brings up the same app,
// course document and course pages after each class starts, with some variation; and fills the
// rest of the day with app switches, windows, tabs, idle spells and short locks, at the rate the
// options ask for. Later in the semester the application asks, runs, undoes and tidies up for
// some classes, and those records are there too.
class SemesterGenerator {
public:
    // Throws std::invalid_argument for days or perDay out of range or a first day that is no date,
    // and CalendarError for an unknown zone.
    explicit SemesterGenerator(SemesterOptions options);
    // The same student acting on mac, which must outlive the generator, instead of on a Mac of its
    // own that also records. The application there asks, sets up and undoes by itself, so the
    // student's days hold none of that: nothing is answered, run or undone through mac. The days
    // returned hold what mac recorded itself (nothing, for a machine the application watches), and
    // perDay paces the student as if each small action yielded the usual number of observations.
    SemesterGenerator(SemesterOptions options, StudentMac& mac);
    ~SemesterGenerator();
    SemesterGenerator(const SemesterGenerator&) = delete;
    SemesterGenerator& operator=(const SemesterGenerator&) = delete;

    const SemesterOptions& options() const;
    const std::vector<Course>& courses() const;
    std::int64_t from() const; // the first local midnight
    std::int64_t to() const;   // the local midnight after the last day

    // The student's calendar: every event of the semester and of the two weeks after it, by start.
    std::vector<CalendarEvent> calendar() const;
    // The events starting in [from, to), as the calendar source would list them.
    std::vector<CalendarEvent> calendar(std::int64_t from, std::int64_t to) const;

    // The next day, or nothing after the last.
    std::optional<SemesterDay> nextDay();

private:
    SemesterGenerator(SemesterOptions options, StudentMac* mac);

    struct State;
    std::unique_ptr<State> state_;
};

// The item ids the student brings up at each class of the course when keeping to the routine:
// the course's app, the app its document opens in (or the notes app), the browser, the document
// or note, and the course page; each once, in that order.
std::vector<std::string> plantedItems(const Course& course);

// A whole semester in memory.
struct Semester {
    std::int64_t from = 0;
    std::int64_t to = 0;
    std::vector<SignalObservation> observations; // by ts
    std::vector<Trigger> triggers;               // by ts
    std::vector<CalendarEvent> calendar;         // by start
};

Semester generateSemester(const SemesterOptions& options);

// What writeSemester stored.
struct SemesterSummary {
    int days = 0;
    std::int64_t from = 0;
    std::int64_t to = 0;
    std::int64_t observations = 0;
    std::int64_t triggers = 0;
    std::int64_t events = 0; // calendar events stored
};

// Writes every remaining day of the generator into the store as the application would have: the
// calendar synced two weeks ahead once a week, each day's observations in one transaction, then
// the triggers its recorder stored.
SemesterSummary writeSemester(SemesterGenerator& generator, Store& store);

} // namespace ostrel::semester
