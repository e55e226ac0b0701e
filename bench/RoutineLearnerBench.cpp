#include "core/learning/Planner.hpp"
#include "core/learning/RoutineLearner.hpp"

#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

constexpr std::int64_t minute = 60'000;
constexpr std::int64_t day = 1440 * minute;

// A term of classes: `courses` weekly series, each on two weekdays, with a course app, a document
// and visits to a few pages of the course site, plus mornings with mail at the same hour.
std::vector<ostrel::Episode> term(std::int64_t weeks, std::int64_t courses) {
    std::vector<ostrel::Episode> episodes;
    const std::int64_t monday = 1'704'700'800'000; // 2024-01-08 08:00 UTC
    for (std::int64_t week = 0; week < weeks; ++week) {
        for (std::int64_t course = 0; course < courses; ++course) {
            for (std::int64_t meeting = 0; meeting < 2; ++meeting) {
                const std::int64_t start =
                    monday + (week * 7 + (course + meeting * 2) % 5) * day + course * 90 * minute;
                ostrel::Episode episode{
                    {start, ostrel::Trigger::Kind::eventStart}, start, start + 50 * minute, {}, {}};
                ostrel::CalendarEvent event;
                event.key = "course-" + std::to_string(course);
                event.recurring = true;
                event.title = "Course " + std::to_string(course);
                event.start = start;
                event.end = start + 90 * minute;
                episode.context.events = {event};
                const std::string site = "https://lms.example.edu/courses/" + std::to_string(1000 + course);
                episode.setup.broughtUp = {
                    *ostrel::Item::app("com.example.app" + std::to_string(course)),
                    *ostrel::Item::document("/home/s/course" + std::to_string(course) + ".pdf"),
                    *ostrel::Item::page(site + "/modules/" + std::to_string(week)),
                    *ostrel::Item::page(site + "/assignments?week=" + std::to_string(week))};
                episode.setup.carried = {*ostrel::Item::app("com.example.mail")};
                episodes.push_back(std::move(episode));
            }
        }
        for (std::int64_t weekday = 0; weekday < 5; ++weekday) {
            const std::int64_t start = monday + (week * 7 + weekday) * day - 60 * minute;
            ostrel::Episode episode{{start, ostrel::Trigger::Kind::wake}, start, start + 30 * minute, {}, {}};
            episode.setup.broughtUp = {*ostrel::Item::app("com.example.mail")};
            episodes.push_back(std::move(episode));
        }
    }
    return episodes;
}

// Learning every routine from scratch, as every planning pass does.
void BM_LearnRoutines(benchmark::State& state) {
    const auto episodes = term(state.range(0), 6);
    const ostrel::Calendar calendar("Europe/Berlin", "de_DE");
    for (auto _ : state) {
        benchmark::DoNotOptimize(ostrel::RoutineLearner::routines(episodes, {}, calendar));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(episodes.size()));
}
BENCHMARK(BM_LearnRoutines)->Arg(2)->Arg(15)->Arg(52);

// Choosing among the learned routines at a class start, with the term as history.
void BM_ChooseAtClassStart(benchmark::State& state) {
    const auto episodes = term(state.range(0), 6);
    const ostrel::Calendar calendar("Europe/Berlin", "de_DE");
    const auto routines = ostrel::RoutineLearner::routines(episodes, {}, calendar);
    const ostrel::Episode& last = episodes[episodes.size() - 6];
    for (auto _ : state) {
        benchmark::DoNotOptimize(ostrel::Planner::choose(last.trigger, last.context, last.context.open,
                                                         routines, episodes, calendar));
    }
}
BENCHMARK(BM_ChooseAtClassStart)->Arg(15);

} // namespace
