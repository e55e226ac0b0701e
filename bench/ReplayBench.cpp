// The replay of a long history: the quick replay against relearning everything before every
// episode, on the same history in the same run; and how the learner's predictions compare with two
// simple ones on generated terms at three levels of noise.

#include "../tests/support/PlainReplay.hpp"
#include "../tests/support/RandomHistory.hpp"
#include "SemesterFile.hpp"
#include "core/learning/ContextKey.hpp"
#include "core/learning/RoutineLearner.hpp"
#include "core/replay/Replay.hpp"
#include "core/replay/ScoreExport.hpp"

#include <algorithm>
#include <chrono>
#include <iomanip>
#include <iostream>
#include <limits>
#include <map>
#include <sstream>

#include <benchmark/benchmark.h>

namespace {

using namespace ostrel;

// Long enough for the application to have asked and run for a few weeks.
constexpr int semesterDays = 70;

const Calendar& calendar() {
    static const Calendar berlin("Europe/Berlin", "en_US");
    return berlin;
}

const test::RandomHistory& history2000() {
    static const test::RandomHistory history = test::makeRandomHistory(2000, {.episodes = 2000});
    return history;
}

void BM_ReplayQuick(benchmark::State& state) {
    const auto& history = history2000();
    for (auto _ : state) {
        benchmark::DoNotOptimize(Replay::run(history.episodes, history.series, calendar()));
    }
}
BENCHMARK(BM_ReplayQuick)->Unit(benchmark::kMillisecond);

// Both in one measurement, so that the ratio comes from the same machine at the same moment.
void BM_ReplayQuickAgainstPlain(benchmark::State& state) {
    const auto& history = history2000();
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        const auto quick = Replay::run(history.episodes, history.series, calendar());
        const auto t1 = std::chrono::steady_clock::now();
        const auto plain = test::plainReplay(history.episodes, history.series, calendar());
        const auto t2 = std::chrono::steady_clock::now();
        if (!(quick == plain)) {
            state.SkipWithError("the two replays differ");
            return;
        }
        const double quickSeconds = std::chrono::duration<double>(t1 - t0).count();
        const double plainSeconds = std::chrono::duration<double>(t2 - t1).count();
        state.counters["quick_s"] = quickSeconds;
        state.counters["plain_s"] = plainSeconds;
        state.counters["ratio"] = plainSeconds / quickSeconds;
    }
}
BENCHMARK(BM_ReplayQuickAgainstPlain)->Iterations(1)->Unit(benchmark::kSecond);

// ---- Evaluation ----

using Prediction = std::optional<std::vector<Item>>;

struct Scores {
    std::int64_t episodes = 0;
    std::int64_t suggestions = 0;
    std::optional<double> coverage;
    std::optional<double> accuracy;
    std::optional<double> meanPrecision;
    std::optional<double> meanRecall;
};

Scores scored(const Replay::Report& report) {
    const auto exported = ScoreExport::make(report, {}, "", {}, {});
    return {exported.episodes, exported.suggestions,   exported.coverage,
            exported.accuracy, exported.meanPrecision, exported.meanRecall};
}

// The baselines, replayed the same way: each episode sees only the episodes before it, filed
// under the learner's keys, and predicts only where the learner's routine for its first key had
// the support it needs to be suggested.
struct Baselines {
    Replay::Report last;
    Replay::Report frequent;
};

Baselines baselines(const std::vector<Episode>& episodes, const std::vector<CalendarSeries>& series) {
    std::vector<Episode> sorted = episodes;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Episode& a, const Episode& b) { return a.start < b.start; });
    const auto firstSeen = RoutineLearner::firstSeen(series);
    Baselines result;
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        const std::vector<Episode> prior(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(i));
        const ContextKey::History history(prior);
        const Episode& e = sorted[i];
        const ContextKey key = ContextKey::candidates(e.context, e.trigger.ts, history, calendar()).front();
        std::vector<const Episode*> filed;
        for (const Episode& earlier : prior) {
            if (ContextKey::of(earlier, history, calendar()) == key) {
                filed.push_back(&earlier);
            }
        }
        Prediction last;
        Prediction frequent;
        if (!filed.empty()) {
            const Routine learned = RoutineLearner::routine(key, filed, firstSeen);
            std::int64_t needed = 2;
            if (const auto* event = std::get_if<ContextKey::Event>(&key.value)) {
                const auto seen = firstSeen.find(event->seriesKey);
                const auto earliest =
                    std::min_element(filed.begin(), filed.end(),
                                     [](const Episode* a, const Episode* b) { return a->start < b->start; });
                if (seen != firstSeen.end() && seen->second < (*earliest)->start) {
                    needed = 1;
                }
            }
            if (learned.support >= needed) {
                last = filed.back()->setup.broughtUp;
                std::map<std::string, std::pair<int, Item>> counts;
                std::vector<std::size_t> sizes;
                for (const Episode* earlier : filed) {
                    sizes.push_back(earlier->setup.broughtUp.size());
                    std::vector<std::string> once;
                    for (const Item& item : earlier->setup.broughtUp) {
                        const std::string id = item.id();
                        if (std::find(once.begin(), once.end(), id) == once.end()) {
                            once.push_back(id);
                            counts.try_emplace(id, 0, item).first->second.first += 1;
                        }
                    }
                }
                std::sort(sizes.begin(), sizes.end());
                const std::size_t k = sizes[sizes.size() / 2];
                std::vector<std::pair<int, std::string>> ranked;
                for (const auto& [id, entry] : counts) {
                    ranked.push_back({-entry.first, id});
                }
                std::sort(ranked.begin(), ranked.end());
                frequent.emplace();
                for (std::size_t n = 0; n < std::min(k, ranked.size()); ++n) {
                    frequent->push_back(counts.at(ranked[n].second).second);
                }
            }
        }
        result.last.episodes.push_back({e, last});
        result.frequent.episodes.push_back({e, frequent});
    }
    return result;
}

std::string cell(const std::optional<double>& value) {
    if (!value) {
        return "-";
    }
    std::ostringstream out;
    out << std::fixed << std::setprecision(3) << *value;
    return out.str();
}

// One history to score: its episodes and the calendar's series.
struct Term {
    std::vector<Episode> episodes;
    std::vector<CalendarSeries> series;
};

// A generated semester written into a store as the application would have, and read back the way
// a planning pass reads it.
Term semesterTerm(semester::Noise noise, std::uint64_t seed) {
    semester::SemesterOptions options;
    options.days = semesterDays;
    options.perDay = 1'500;
    options.seed = seed;
    options.noise = noise;
    const bench::SemesterFile file("replay", options);
    Store store(file.database(), Store::Access::reader);
    return {store.episodes(std::numeric_limits<std::int64_t>::min(), file.summary().to),
            store.calendarSeries()};
}

// Scores per predictor over several terms of one noise level, printed as table rows.
void printRows(std::ostream& table, const std::string& noise, const std::vector<Term>& terms) {
    std::map<std::string, std::vector<Scores>> rows;
    for (const Term& term : terms) {
        rows["learner"].push_back(scored(Replay::run(term.episodes, term.series, calendar())));
        const auto simple = baselines(term.episodes, term.series);
        rows["last"].push_back(scored(simple.last));
        rows["frequent"].push_back(scored(simple.frequent));
    }
    for (const char* predictor : {"learner", "last", "frequent"}) {
        // Scores pooled over the terms as plain means of each term's value.
        const auto& all = rows[predictor];
        const auto mean = [&all](auto field) -> std::optional<double> {
            double sum = 0;
            int count = 0;
            for (const Scores& s : all) {
                if (const auto value = field(s)) {
                    sum += *value;
                    ++count;
                }
            }
            return count == 0 ? std::nullopt : std::optional<double>(sum / count);
        };
        std::int64_t episodes = 0;
        std::int64_t suggestions = 0;
        for (const Scores& s : all) {
            episodes += s.episodes;
            suggestions += s.suggestions;
        }
        table << std::left << std::setw(7) << noise << std::setw(11) << predictor << std::setw(10) << episodes
              << std::setw(13) << suggestions << std::setw(10)
              << cell(mean([](const Scores& s) { return s.coverage; })) << std::setw(10)
              << cell(mean([](const Scores& s) { return s.accuracy; })) << std::setw(11)
              << cell(mean([](const Scores& s) { return s.meanPrecision; }))
              << cell(mean([](const Scores& s) { return s.meanRecall; })) << "\n";
    }
}

const char* const header = "noise  predictor  episodes  suggestions  coverage  accuracy  precision  recall\n";

// Generated semesters: the student of tools/semester keeping to, or straying from, each class's
// routine, with everything else a day holds around it.
void BM_EvaluationSemesters(benchmark::State& state) {
    for (auto _ : state) {
        std::ostringstream table;
        table << "generated semesters, " << semesterDays << " days each, seeds 1 to 3\n" << header;
        for (const semester::Noise noise :
             {semester::Noise::low, semester::Noise::medium, semester::Noise::high}) {
            std::vector<Term> terms;
            for (std::uint64_t seed = 1; seed <= 3; ++seed) {
                terms.push_back(semesterTerm(noise, seed));
            }
            printRows(table, std::string(semester::toString(noise)), terms);
        }
        std::cout << table.str() << std::flush;
    }
}
BENCHMARK(BM_EvaluationSemesters)->Iterations(1)->Unit(benchmark::kSecond);

// Random terms of episodes alone, where noise is the chance each routine item is dropped and of
// each extra item.
void BM_EvaluationRandomTerms(benchmark::State& state) {
    for (auto _ : state) {
        std::ostringstream table;
        table << "random terms, 300 episodes each, three seeds\n" << header;
        for (const auto& [name, noise] :
             {std::pair{"low", 0.05}, std::pair{"medium", 0.2}, std::pair{"high", 0.4}}) {
            std::vector<Term> terms;
            for (std::uint32_t seed = 1; seed <= 3; ++seed) {
                auto history = test::makeRandomHistory(seed * 100, {.episodes = 300, .noise = noise});
                terms.push_back({std::move(history.episodes), std::move(history.series)});
            }
            printRows(table, name, terms);
        }
        std::cout << table.str() << std::flush;
    }
}
BENCHMARK(BM_EvaluationRandomTerms)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
