#include "support/ObserverWorld.hpp"

#include <limits>

namespace ostrel::test {

ObserverWorld::ObserverWorld(MachineState state)
    : machine(std::move(state), &time), store(dir / "quev.sqlite") {
    time.addFlusher([this] {
        if (observer || loneWriter) {
            writer().flush();
        }
    });
}

ObserverWorld::~ObserverWorld() {
    observer.reset();
    loneWriter.reset();
}

void ObserverWorld::startWriterOnly() {
    loneWriter = std::make_unique<ObservationWriter>(store);
}

ObservationWriter& ObserverWorld::writer() {
    return observer ? observer->writer() : *loneWriter;
}

void ObserverWorld::startObserver(ExclusionList exclusions) {
    observer =
        std::make_unique<Observer>(store, runtime, platform, settings, random, "", std::move(exclusions),
                                   [this](const std::vector<Trigger>& fresh) { handed.push_back(fresh); });
    observer->start();
    settle();
}

// Virtual time flushes the writer only after a round that ran tasks; a write made outside any task
// (a source started by the test itself) is waited for here as well.
void ObserverWorld::settle() {
    time.settle();
    if (observer || loneWriter) {
        writer().flush();
        time.settle();
    }
}

std::vector<std::string> ObserverWorld::rows(const std::set<Signal>& signals) {
    settle();
    std::vector<std::string> lines;
    const auto all =
        store.observations(std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(),
                           signals.empty() ? std::nullopt : std::optional(signals));
    for (const SignalObservation& observation : all) {
        lines.push_back(observation.signal.rawValue + " " + observation.payload);
    }
    return lines;
}

} // namespace ostrel::test
