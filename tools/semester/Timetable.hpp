#pragma once

#include "core/calendar/CalendarEvent.hpp"
#include "core/foundation/Calendar.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ostrel::semester {

// Where the student and the Mac are.
enum class Place { home, campus, library, elsewhere };

// One course of the timetable and what the student brings up when it starts.
struct Course {
    std::string code;
    std::string title;
    std::string app;                       // bundle identifier of the course's app
    std::optional<std::string> note;       // a note of the notes app, for courses taken in notes
    std::string document;                  // file path of the course document
    std::string page;                      // the course's web page
    std::optional<std::string> deeperPage; // a page further in, opened on some days
    std::vector<std::string> documents;    // other documents of the course
    std::vector<std::string> pages;        // other pages of the course
};

// One calendar event and how the student meets it.
struct ClassEvent {
    CalendarEvent event;
    int course = -1; // index into the courses, or -1
    Place place = Place::elsewhere;
    bool withLaptop = false; // the student works on the Mac during it
};

// A weekly timetable of five courses, their lectures and tutorials as repeating events, and a few
// one-off events, all drawn from the seed.
class Timetable {
public:
    // Events for the days [firstDay, firstDay + days) in the calendar's zone; firstDay is a local
    // midnight.
    Timetable(const Calendar& calendar, Date firstDay, int days, std::uint64_t seed);

    const std::vector<Course>& courses() const { return courses_; }
    // By start, then key.
    const std::vector<ClassEvent>& events() const { return events_; }

    // The events starting in [from, to), by start.
    std::vector<CalendarEvent> calendarEvents(std::int64_t from, std::int64_t to) const;

private:
    std::vector<Course> courses_;
    std::vector<ClassEvent> events_;
};

} // namespace ostrel::semester
