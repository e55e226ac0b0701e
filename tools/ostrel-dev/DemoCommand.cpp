#include "Commands.hpp"
#include "Options.hpp"
#include "ScratchFolder.hpp"
#include "core/routines/PlanningPass.hpp"
#include "core/store/Store.hpp"
#include "semester/SemesterGenerator.hpp"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace ostrel::dev {

namespace {

namespace fs = std::filesystem;

// 110208 as "110,208".
std::string grouped(std::int64_t number) {
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, number).ptr;
    const std::string digits(buffer, end);
    std::string text;
    const std::size_t first = digits.front() == '-' ? 1 : 0;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > first && (digits.size() - i) % 3 == 0) {
            text += ',';
        }
        text += digits[i];
    }
    return text;
}

// "name count" pairs, most first, then by name.
std::string ranked(const std::map<std::string, std::int64_t>& counts, std::size_t limit) {
    std::vector<std::pair<std::string, std::int64_t>> sorted(counts.begin(), counts.end());
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    std::string text;
    for (std::size_t i = 0; i < sorted.size() && i < limit; ++i) {
        text += (i == 0 ? "" : ", ") + sorted[i].first + " " + grouped(sorted[i].second);
    }
    if (sorted.size() > limit) {
        text += " and " + std::to_string(sorted.size() - limit) + " more";
    }
    return text;
}

// "0.25": two decimals, whatever the locale.
std::string twoDecimals(double value) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2).ptr;
    return std::string(buffer, end);
}

// "2026-11-09 10:15" in the calendar's zone.
std::string localTime(std::int64_t ms, const Calendar& calendar) {
    const Calendar::Components c = calendar.components(static_cast<Date>(ms) / 1000.0);
    const auto two = [](int n) {
        std::string digits = std::to_string(n);
        if (n < 10) {
            digits.insert(digits.begin(), '0');
        }
        return digits;
    };
    return std::to_string(c.year) + "-" + two(c.month) + "-" + two(c.day) + " " + two(c.hour) + ":" +
           two(c.minute);
}

// The first few items by id, and how many more there are.
std::string itemList(const std::vector<Item>& items, std::size_t limit) {
    std::string text;
    for (std::size_t i = 0; i < items.size() && i < limit; ++i) {
        text += (i == 0 ? "" : ", ") + items[i].id();
    }
    if (items.size() > limit) {
        text += " and " + std::to_string(items.size() - limit) + " more";
    }
    return text.empty() ? "nothing" : text;
}

std::string actionText(const Autopilot::Action& action) {
    const Routine* routine = action.routine();
    const std::string things = routine ? std::to_string(routine->items.size()) + " things" : "";
    switch (action.value.index()) {
    case 0:
        return "sets up " + things + " by itself";
    case 1:
        return "asks first, then sets up " + things;
    default:
        return "does nothing";
    }
}

std::string eventPlanText(const Autopilot::EventPlan& plan) {
    if (const auto* asking = std::get_if<Autopilot::EventPlan::Asking>(&plan.value)) {
        return "asking, " + std::to_string(asking->yeses) + " of " + std::to_string(Autopilot::confident) +
               " yeses so far";
    }
    if (std::holds_alternative<Autopilot::EventPlan::Automatic>(plan.value)) {
        return "automatic";
    }
    if (std::holds_alternative<Autopilot::EventPlan::AlwaysAsks>(plan.value)) {
        return "always asks (a video meeting)";
    }
    if (std::holds_alternative<Autopilot::EventPlan::StoppedAsking>(plan.value)) {
        return "stopped asking";
    }
    return "one-off, help on offer";
}

// For each course: what was learned under each of its series, and what the planning pass would do
// at its first class after the generated weeks, in the context that class is expected to have
// (the class itself, nothing open yet), with the answers given so far.
void showCourses(Store& store, const semester::SemesterGenerator& generator,
                 const semester::SemesterSummary& summary, const Calendar& calendar) {
    const PlanningPass::Known known = PlanningPass::known(store, summary.to, calendar);
    const Answers answers = PlanningPass::answers(store, summary.to);
    const std::vector<CalendarEvent> events = generator.calendar();
    std::cout << "  learned per course, and the autopilot at its next class:\n";
    for (const semester::Course& course : generator.courses()) {
        std::cout << "    " << course.code << " " << course.title << "\n";
        // The generated series of a course are titled by its code.
        std::vector<std::string> keys;
        for (const CalendarSeries& series : known.series) {
            if (!series.title.starts_with(course.code + " ")) {
                continue;
            }
            keys.push_back(series.key);
            const ContextKey key = ContextKey::event(series.key);
            const auto learned = std::find_if(known.routines.begin(), known.routines.end(),
                                              [&key](const Routine& routine) { return routine.key == key; });
            std::cout << "      " << series.title << ": ";
            if (learned == known.routines.end()) {
                std::cout << "nothing learned\n";
                continue;
            }
            std::cout << learned->support << " episodes, confidence " << twoDecimals(learned->confidence)
                      << ", " << toString(learned->trust) << "; opens " << itemList(learned->items, 3)
                      << "\n";
        }
        const auto next = std::find_if(events.begin(), events.end(), [&](const CalendarEvent& event) {
            return event.start >= summary.to && std::find(keys.begin(), keys.end(), event.key) != keys.end();
        });
        if (next == events.end()) {
            std::cout << "      no next class\n";
            continue;
        }
        Context context;
        context.events = {*next};
        const Trigger trigger{next->start, Trigger::Kind::eventStart};
        const PlanningPass::Result result =
            PlanningPass::decide(known, trigger, context, answers, calendar, {});
        std::cout << "      next class " << localTime(next->start, calendar) << " (" << next->title
                  << "): " << actionText(result.action);
        if (result.choice) {
            std::cout << " for " << result.choice->routine.key.id();
        }
        std::cout << "; Home shows " << eventPlanText(Autopilot::plan(*next, answers)) << "\n";
    }
}

} // namespace

// Generates four weeks of a student's semester into a temporary database and shows what it holds
// and what the core makes of it. Deterministic: every run prints the same lines but the path.
int demoCommand(const Arguments& arguments) {
    const Options options("demo", arguments, {"--noise"}, {"--keep"});
    if (!options.positional().empty()) {
        throw options.error("takes no arguments but --noise and --keep");
    }
    semester::SemesterOptions semesterOptions;
    semesterOptions.days = 28;
    semesterOptions.noise = options.enumeration<semester::Noise>("--noise", "low, medium or high")
                                .value_or(semesterOptions.noise);
    ScratchFolder folder = [&] {
        try {
            return ScratchFolder(fs::temp_directory_path(), "ostrel-demo-");
        } catch (const std::exception& failure) {
            throw options.error(failure.what());
        }
    }();
    if (options.flag("--keep")) {
        folder.keep();
    }
    const fs::path path = folder.path() / "quev.sqlite";

    semester::SemesterGenerator generator(semesterOptions);
    Store store(path);
    const semester::SemesterSummary summary = semester::writeSemester(generator, store);

    std::map<std::string, std::int64_t> signals;
    for (const SignalObservation& observation : store.observations(summary.from, summary.to)) {
        ++signals[observation.signal.rawValue];
    }
    std::map<std::string, std::int64_t> triggers;
    for (const Trigger& trigger : store.triggers(summary.from, summary.to)) {
        ++triggers[std::string(toString(trigger.kind))];
    }
    const std::vector<Episode> episodes = store.episodes(summary.from, summary.to);
    std::vector<std::int64_t> minutes;
    std::int64_t brought = 0;
    std::int64_t inClass = 0;
    for (const Episode& episode : episodes) {
        minutes.push_back((episode.end - episode.start) / 60'000);
        brought += static_cast<std::int64_t>(episode.setup.broughtUp.size());
        inClass += std::any_of(episode.context.events.begin(), episode.context.events.end(),
                               [](const CalendarEvent& event) { return event.recurring; })
                       ? 1
                       : 0;
    }
    std::sort(minutes.begin(), minutes.end());

    std::string courses;
    for (const semester::Course& course : generator.courses()) {
        courses += (courses.empty() ? "" : ", ") + course.code + " " + course.title;
    }
    std::cout << "Ostrel demo: four weeks of a generated student's semester from " << semesterOptions.year
              << "-" << semesterOptions.month << "-" << semesterOptions.day << " in " << semesterOptions.zone
              << ", seed " << semesterOptions.seed << ", " << semester::toString(semesterOptions.noise)
              << " noise\n";
    std::cout << "  courses: " << courses << "\n";
    std::cout << "  database: " << path.string()
              << (options.flag("--keep") ? " (kept)" : " (removed afterwards)") << "\n";
    std::cout << "  days: " << summary.days << ", observations: " << grouped(summary.observations)
              << " (about " << grouped(summary.observations / std::max(1, summary.days)) << " a day) of "
              << signals.size() << " kinds\n";
    std::cout << "  most observed: " << ranked(signals, 6) << "\n";
    std::cout << "  calendar: " << grouped(summary.events) << " events in " << store.calendarSeries().size()
              << " repeating series\n";
    std::cout << "  triggers: " << grouped(summary.triggers) << " (" << ranked(triggers, 4) << ")\n";
    std::cout << "  episodes rebuilt: " << grouped(static_cast<std::int64_t>(episodes.size())) << ", "
              << grouped(inClass) << " at a class; median length "
              << (minutes.empty() ? 0 : minutes[minutes.size() / 2]) << " min, on average "
              << (episodes.empty() ? 0 : brought / static_cast<std::int64_t>(episodes.size()))
              << " things brought up in the first minutes\n";
    showCourses(store, generator, summary, Calendar(semesterOptions.zone, "en_US"));
    return 0;
}

} // namespace ostrel::dev
