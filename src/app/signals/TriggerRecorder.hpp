#pragma once

#include "core/episodes/Trigger.hpp"
#include "core/foundation/Logger.hpp"
#include "platform/Clock.hpp"

#include <cstdint>
#include <functional>
#include <vector>

namespace ostrel {

class ObservationWriter;
class Store;

// Turns freshly written observations into stored triggers. Whenever something may have started an
// episode (the application started, the machine woke or was unlocked, a class started), the
// observer calls update(): once every observation queued ahead is stored, the recorder runs the
// trigger detector over the recent wake, unlock, start and event-start observations, stores what it
// found and hands the triggers that were not stored before to onNew.
//
// It keeps no state between updates: each reads the same windows of the store again, so a trigger
// is handed over once, by the first update that stores it. Nothing is retried after a failure.
//
// Threads: update() may be called from any thread and returns at once; the work and onNew run on
// the writer's queue, one update at a time.
class TriggerRecorder {
public:
    using OnNew = std::function<void(const std::vector<Trigger>&)>;

    // How far back observations are read (31 minutes) and triggers detected and compared (16
    // minutes), in milliseconds before now; both windows end just after now.
    static constexpr std::int64_t readWindow = 1'860'000;
    static constexpr std::int64_t detectionWindow = 960'000;

    // store and writer must outlive the recorder, and clock too.
    TriggerRecorder(Store& store, ObservationWriter& writer, const Clock& clock, OnNew onNew);

    // Waits for updates already queued on the writer: their work refers to this object.
    ~TriggerRecorder();

    TriggerRecorder(const TriggerRecorder&) = delete;
    TriggerRecorder& operator=(const TriggerRecorder&) = delete;

    // Queues the work behind every write accepted so far.
    void update();

private:
    void record() const noexcept;

    Store& store_;
    ObservationWriter& writer_;
    const Clock& clock_;
    OnNew onNew_;
    Logger logger_{"triggers"};
};

} // namespace ostrel
