#include "semester/Timetable.hpp"

#include "semester/Random.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace ostrel::semester {

namespace {

constexpr std::int64_t msPerMinute = 60'000;

// Local times of the semester are whole minutes, so they always have a millisecond form.
std::int64_t milliseconds(Date date) {
    return roundedMilliseconds(date).value_or(0);
}

const std::string uni = "https://learn.uni-example.edu/course/";
const std::string docs = "/Users/alex/Documents/Uni/";

std::vector<Course> courseCatalogue() {
    return {
        {"MA201",
         "Linear Algebra",
         "com.apple.Notes",
         "Linear Algebra",
         docs + "Linear Algebra/Lecture Notes.pdf",
         uni + "4211/",
         uni + "4211/resources/",
         {docs + "Linear Algebra/Exercise Sheet 3.pdf", docs + "Linear Algebra/Formulas.pdf"},
         {uni + "4211/forum/", "https://en.wikipedia.org/wiki/Eigenvalues_and_eigenvectors",
          "https://www.khanacademy.org/math/linear-algebra"}},
        {"CS101",
         "Introduction to Programming",
         "com.microsoft.VSCode",
         std::nullopt,
         "/Users/alex/Code/cs101/exercises.py",
         uni + "3107/",
         "https://docs.python.org/3/tutorial/index.html",
         {"/Users/alex/Code/cs101/project/main.py", "/Users/alex/Code/cs101/notes.md"},
         {uni + "3107/assignments/",
          "https://stackoverflow.com/questions/231767/what-does-the-yield-keyword-do",
          "https://github.com/uni-example/cs101-exercises"}},
        {"EC110",
         "Microeconomics",
         "com.microsoft.Word",
         std::nullopt,
         docs + "Microeconomics/Problem Set Notes.docx",
         uni + "5230/",
         uni + "5230/quiz/",
         {docs + "Microeconomics/Chapter 4 Slides.pdf", docs + "Microeconomics/Summary.docx"},
         {"https://en.wikipedia.org/wiki/Price_elasticity_of_demand", uni + "5230/forum/"}},
        {"ST220",
         "Statistics",
         "com.rstudio.desktop",
         std::nullopt,
         docs + "Statistics/lab.R",
         uni + "6120/",
         std::nullopt,
         {docs + "Statistics/Lecture 5.pdf", docs + "Statistics/homework.R"},
         {"https://www.statlect.com/fundamentals-of-statistics/", uni + "6120/datasets/"}},
        {"WR105",
         "Academic Writing",
         "org.zotero.zotero",
         std::nullopt,
         docs + "Academic Writing/Essay Draft.docx",
         uni + "2894/",
         uni + "2894/forum/",
         {docs + "Academic Writing/Reading List.pdf", docs + "Academic Writing/Outline.docx"},
         {"https://www.deepl.com/write", "https://scholar.google.com/"}},
        {"PH150",
         "Physics I",
         "com.apple.Notes",
         "Physics I",
         docs + "Physics/Formulary.pdf",
         uni + "7342/",
         uni + "7342/labs/",
         {docs + "Physics/Lab Report.docx", docs + "Physics/Problem Set 2.pdf"},
         {"https://en.wikipedia.org/wiki/Newton%27s_laws_of_motion", uni + "7342/forum/"}},
        {"CH101",
         "General Chemistry",
         "com.apple.Preview",
         std::nullopt,
         docs + "Chemistry/Periodic Table.pdf",
         uni + "8017/",
         std::nullopt,
         {docs + "Chemistry/Lab Safety.pdf", docs + "Chemistry/Worksheet 6.pdf"},
         {"https://pubchem.ncbi.nlm.nih.gov/", uni + "8017/quiz/"}},
    };
}

const std::array<std::string_view, 6> rooms = {
    "Main Building, Lecture Hall 1", "Main Building, Room 2.104",  "Science Centre, Hall B",
    "Science Centre, Room 0.12",     "Humanities, Seminar Room 3", "Computer Lab, Room 1.01",
};

// One repeating event of the timetable.
struct Series {
    std::string key;
    std::string title;
    std::string location;
    std::vector<std::string> links;
    int course = 0;
    std::vector<std::pair<int, int>> meetings; // weekday (1 = Sunday), start minute of the day
    int minutes = 90;
};

// Weekday slots of the timetable: Monday to Friday at quarter past the even hours.
constexpr std::array<int, 5> slotStarts = {8 * 60 + 15, 10 * 60 + 15, 12 * 60 + 15, 14 * 60 + 15,
                                           16 * 60 + 15};

std::vector<Series> drawSeries(const std::vector<Course>& courses, Random& random) {
    std::vector<std::pair<int, int>> free;
    for (int weekday = 2; weekday <= 6; ++weekday) {
        for (const int start : slotStarts) {
            free.emplace_back(weekday, start);
        }
    }
    random.shuffle(free);
    std::array<int, 8> perDay{};
    const auto take = [&](std::vector<int> avoidDays) -> std::optional<std::pair<int, int>> {
        for (auto slot = free.begin(); slot != free.end(); ++slot) {
            if (perDay[static_cast<std::size_t>(slot->first)] >= 3 ||
                std::find(avoidDays.begin(), avoidDays.end(), slot->first) != avoidDays.end()) {
                continue;
            }
            const auto chosen = *slot;
            free.erase(slot);
            ++perDay[static_cast<std::size_t>(chosen.first)];
            return chosen;
        }
        return std::nullopt;
    };

    std::vector<Series> series;
    for (int c = 0; c < static_cast<int>(courses.size()); ++c) {
        const Course& course = courses[static_cast<std::size_t>(c)];
        std::string lower;
        for (const char ch : course.code) {
            lower += static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch);
        }
        Series lecture{lower + "-lecture@uni-example.edu",
                       course.code + " " + course.title,
                       std::string(rooms[random.index(rooms.size())]),
                       {course.page},
                       c,
                       {},
                       90};
        if (random.chance(0.25)) {
            lecture.links.push_back("https://uni-example.zoom.us/j/" +
                                    std::to_string(random.between(810'000'000, 899'999'999)));
        }
        const int meetings = random.chance(0.6) ? 2 : 1;
        std::vector<int> days;
        for (int m = 0; m < meetings; ++m) {
            if (const auto slot = take(days)) {
                lecture.meetings.push_back(*slot);
                days.push_back(slot->first);
            }
        }
        series.push_back(std::move(lecture));
        if (random.chance(0.5)) {
            Series tutorial{lower + "-tutorial@uni-example.edu",
                            course.code + " Tutorial",
                            std::string(rooms[random.index(rooms.size())]),
                            {},
                            c,
                            {},
                            90};
            if (const auto slot = take(days)) {
                tutorial.meetings.push_back(*slot);
                series.push_back(std::move(tutorial));
            }
        }
    }
    return series;
}

bool overlaps(const CalendarEvent& a, std::int64_t start, std::int64_t end) {
    return a.start < end && start < a.end;
}

// A one-off event of some day that leaves the day's classes free, or nothing. A student books
// nothing over their own classes; an event over one would also be taken for that class's setup.
std::optional<ClassEvent> oneOff(const Calendar& calendar, const Calendar::Components& day, int dayIndex,
                                 const std::vector<Course>& courses, const std::vector<ClassEvent>& classes,
                                 Random& random) {
    if (!random.chance(0.3)) {
        return std::nullopt;
    }
    const int course = static_cast<int>(random.index(courses.size()));
    const std::string& subject = courses[static_cast<std::size_t>(course)].title;
    ClassEvent event;
    event.event.key = random.uuid();
    event.event.recurring = false;
    int minutes = 60;
    const auto anyQuarter = [&random] { return static_cast<int>(random.between(9 * 4, 18 * 4)) * 15; };
    int startMinute = anyQuarter();
    bool fixedTime = false;
    switch (random.index(dayIndex >= 35 ? 8 : 7)) {
    case 0:
        event.event.title = "Office hours: " + subject;
        event.event.location = "Main Building, Room 3.310";
        event.event.calendar = "University";
        event.place = Place::campus;
        minutes = 30;
        break;
    case 1:
    case 2:
        event.event.title = "Study group: " + subject;
        event.event.location = "University Library, Group Room 4";
        event.event.calendar = "University";
        event.place = Place::library;
        event.course = course;
        event.withLaptop = true;
        minutes = 120;
        break;
    case 3:
        event.event.title = "Workshop: Writing with LaTeX";
        event.event.location = "Computer Lab, Room 1.01";
        event.event.calendar = "University";
        event.event.links = {"https://www.overleaf.com/learn"};
        event.place = Place::campus;
        event.withLaptop = true;
        minutes = 120;
        break;
    case 4:
        event.event.title = "Dentist";
        event.event.location = "Dr. Weber, Schillerstrasse 12";
        event.event.calendar = "Personal";
        minutes = 45;
        break;
    case 5:
        event.event.title = random.chance(0.5) ? "Lunch with Sam" : "Gym";
        event.event.calendar = "Personal";
        startMinute = random.chance(0.5) ? 12 * 60 + 30 : 18 * 60;
        fixedTime = true;
        break;
    case 6:
        event.event.title = "Info session: semester abroad";
        event.event.calendar = "University";
        event.event.links = {"https://uni-example.zoom.us/j/" +
                             std::to_string(random.between(810'000'000, 899'999'999))};
        event.place = Place::home;
        event.withLaptop = true;
        startMinute = random.chance(0.5) ? 19 * 60 : 20 * 60;
        fixedTime = true;
        break;
    default:
        event.event.title = "Midterm exam: " + subject;
        event.event.location = "Sports Hall";
        event.event.calendar = "University";
        event.place = Place::campus;
        minutes = 90;
        break;
    }
    const auto at = [&](int minute) {
        return milliseconds(calendar.date(day.year, day.month, day.day, minute / 60, minute % 60));
    };
    const auto free = [&](int minute) {
        return std::none_of(classes.begin(), classes.end(), [&](const ClassEvent& other) {
            return overlaps(other.event, at(minute), at(minute) + minutes * msPerMinute);
        });
    };
    // An event that may be at any time looks for a free one a few times; one at a fixed time is
    // left out when the time is taken.
    for (int attempt = 0; !free(startMinute); ++attempt) {
        if (fixedTime || attempt == 8) {
            return std::nullopt;
        }
        startMinute = anyQuarter();
    }
    event.event.start = at(startMinute);
    event.event.occurrence = event.event.start;
    event.event.end = event.event.start + minutes * msPerMinute;
    return event;
}

} // namespace

Timetable::Timetable(const Calendar& calendar, Date firstDay, int days, std::uint64_t seed) {
    Random random(Random::mix(seed, 0x7173));
    courses_ = courseCatalogue();
    random.shuffle(courses_);
    courses_.resize(5);
    const std::vector<Series> series = drawSeries(courses_, random);

    for (int d = 0; d < days; ++d) {
        Random dayRandom(Random::mix(seed, 0xca1e, static_cast<std::uint64_t>(d)));
        const Date dayStart = calendar.addingDays(d, firstDay);
        const Calendar::Components day = calendar.components(dayStart);
        std::vector<ClassEvent> classes;
        std::vector<std::int64_t> scheduled; // each class's start before any move
        for (const Series& one : series) {
            for (const auto& [weekday, startMinute] : one.meetings) {
                if (weekday != day.weekday) {
                    continue;
                }
                const Date start =
                    calendar.date(day.year, day.month, day.day, startMinute / 60, startMinute % 60);
                ClassEvent event;
                event.event.key = one.key;
                event.event.occurrence = milliseconds(start);
                event.event.recurring = true;
                event.event.title = one.title;
                event.event.start = event.event.occurrence;
                event.event.end = event.event.start + one.minutes * msPerMinute;
                event.event.location = one.location;
                event.event.calendar = "University";
                event.event.links = one.links;
                event.course = one.course;
                event.place = Place::campus;
                event.withLaptop = true;
                // Now and then a class is cancelled or moved; a moved one keeps its occurrence.
                if (dayRandom.chance(0.03)) {
                    continue;
                }
                if (dayRandom.chance(0.03)) {
                    const std::int64_t shift =
                        (dayRandom.chance(0.5) ? -1 : 1) * dayRandom.between(2, 4) * 15 * msPerMinute;
                    scheduled.push_back(event.event.start);
                    event.event.start += shift;
                    event.event.end += shift;
                } else {
                    scheduled.push_back(event.event.start);
                }
                classes.push_back(std::move(event));
            }
        }
        // A class is only moved to a time when the student has no other class, as it was or moved.
        for (std::size_t i = 0; i < classes.size(); ++i) {
            CalendarEvent& moved = classes[i].event;
            if (moved.start == scheduled[i]) {
                continue;
            }
            const std::int64_t length = moved.end - moved.start;
            for (std::size_t j = 0; j < classes.size(); ++j) {
                const CalendarEvent& other = classes[j].event;
                const std::int64_t otherScheduledEnd = scheduled[j] + (other.end - other.start);
                if (j != i && (overlaps(other, moved.start, moved.end) ||
                               (scheduled[j] < moved.end && moved.start < otherScheduledEnd))) {
                    moved.start = scheduled[i];
                    moved.end = moved.start + length;
                    break;
                }
            }
        }
        auto event = oneOff(calendar, day, d, courses_, classes, dayRandom);
        events_.insert(events_.end(), std::make_move_iterator(classes.begin()),
                       std::make_move_iterator(classes.end()));
        if (event) {
            events_.push_back(std::move(*event));
        }
    }
    std::stable_sort(events_.begin(), events_.end(), [](const ClassEvent& a, const ClassEvent& b) {
        return a.event.start != b.event.start ? a.event.start < b.event.start : a.event.key < b.event.key;
    });
}

std::vector<CalendarEvent> Timetable::calendarEvents(std::int64_t from, std::int64_t to) const {
    std::vector<CalendarEvent> result;
    for (const ClassEvent& event : events_) {
        if (event.event.start >= from && event.event.start < to) {
            result.push_back(event.event);
        }
    }
    return result;
}

} // namespace ostrel::semester
