#pragma once

#include "app/signals/Observer.hpp"
#include "core/store/Store.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/Settings.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "support/TempDir.hpp"

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace ostrel::test {

// A simulated machine in virtual time with a real store in a temporary folder: what the signal
// tests drive, from a machine operation to the stored row.
class ObserverWorld {
public:
    explicit ObserverWorld(MachineState state = MachineState::withOwnApp());
    ~ObserverWorld();

    // Builds and starts the observer with these exclusions, then settles.
    void startObserver(ExclusionList exclusions = ExclusionList::defaultList());

    // For a test of one source on its own: a writer over the store and no observer, so no other
    // source records.
    void startWriterOnly();

    // The observer's writer, or the lone one.
    ObservationWriter& writer();

    // Runs everything due and waits for the writer.
    void settle();

    // Stored observations as "signal payload" lines, in store order; only of the given signals
    // when some are given.
    std::vector<std::string> rows(const std::set<Signal>& signals = {});

    TempDir dir;
    VirtualTime time;
    VirtualRuntime runtime{time};
    SimulatedMachine machine;
    Platform platform{machine.platform()};
    Store store;
    Settings settings{Settings::inMemory};
    SecureRandom random{7};
    std::vector<std::vector<Trigger>> handed; // what the observer's trigger callback received
    std::unique_ptr<ObservationWriter> loneWriter;
    std::unique_ptr<Observer> observer;
};

} // namespace ostrel::test
