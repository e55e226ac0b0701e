#include "core/learning/Answers.hpp"
#include "core/learning/ContextKey.hpp"

#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

// Every one-off event of every episode is normalised whenever a history is built.
void BM_NormaliseTitle(benchmark::State& state) {
    const std::string title = "Linear Algebra 2 Review - Week 12/3, room 4.101";
    for (auto _ : state) {
        benchmark::DoNotOptimize(ostrel::ContextKey::normalise(title));
    }
}
BENCHMARK(BM_NormaliseTitle);

std::vector<ostrel::Episode> history(std::int64_t count) {
    std::vector<ostrel::Episode> episodes;
    for (std::int64_t i = 0; i < count; ++i) {
        ostrel::Episode episode{{1709541000000 + i * 3600000, ostrel::Trigger::Kind::wake}, 0, 0, {}, {}};
        ostrel::CalendarEvent event;
        event.key = "e";
        event.key += std::to_string(i % 7);
        event.recurring = i % 3 == 0;
        event.title = "Seminar ";
        event.title += std::to_string(i % 11);
        event.title += " week ";
        event.title += std::to_string(i);
        event.calendar = "School";
        episode.context.events = {event};
        episode.context.location = ostrel::LocationPayload{48.85 + (i % 5) * 0.01, 2.35, 10};
        episodes.push_back(std::move(episode));
    }
    return episodes;
}

// Keying every episode of a history, as the learner does on each planning pass.
void BM_KeyEveryEpisode(benchmark::State& state) {
    const auto episodes = history(state.range(0));
    const ostrel::Calendar calendar("Europe/Berlin", "de_DE");
    for (auto _ : state) {
        const ostrel::ContextKey::History built(episodes);
        for (const auto& episode : episodes) {
            benchmark::DoNotOptimize(ostrel::ContextKey::of(episode, built, calendar));
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_KeyEveryEpisode)->Arg(100)->Arg(1000);

void BM_FoldAnswers(benchmark::State& state) {
    std::vector<ostrel::SignalObservation> observations;
    for (std::int64_t i = 0; i < state.range(0); ++i) {
        std::string payload = R"({"answer":")";
        payload += i % 3 ? "yes" : "no";
        payload += R"(","routine":"slot:2:)";
        payload += std::to_string(i % 48);
        payload += R"(:unknown"})";
        observations.emplace_back(i * 1000, ostrel::Signal::quevAnswer, std::move(payload));
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(ostrel::Answers(observations));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FoldAnswers)->Arg(1000);

} // namespace
