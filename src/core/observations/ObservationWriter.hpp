#pragma once

#include "core/foundation/Date.hpp"
#include "core/foundation/Json.hpp"
#include "core/foundation/Logger.hpp"
#include "core/foundation/SerialQueue.hpp"
#include "core/observations/Signal.hpp"
#include "core/observations/SignalObservation.hpp"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace ostrel {

class Store;

// The one way observations reach the store. Callers on any thread record without ever blocking:
// the payload is encoded on the caller's thread and the insert is queued on one serial queue, at
// most `capacity` at a time (beyond that observations are dropped and counted). Each observation is
// its own transaction. Watchers see every observation whose write was attempted, successful or not,
// on the writer's queue, in the order they were added.
//
// Destroying the writer runs every write still queued and joins the queue's thread, so its store
// (which must outlive it) is never closed under a pending write.
class ObservationWriter {
public:
    static constexpr std::size_t defaultCapacity = 1000;
    static constexpr const char* queueLabel = "Ostrel.observations";

    using Watcher = std::function<void(const SignalObservation&)>;

    explicit ObservationWriter(Store& store, std::size_t capacity = defaultCapacity,
                               std::string label = queueLabel);
    ~ObservationWriter();

    ObservationWriter(const ObservationWriter&) = delete;
    ObservationWriter& operator=(const ObservationWriter&) = delete;

    // Stamps and encodes the payload, then writes it. A payload or date that cannot be encoded is
    // logged ("Couldn't encode %s: %@") and dropped without being counted.
    template <json::EncodableRecord Payload>
    void record(const Signal& signal, const Payload& payload, Date at) noexcept {
        try {
            write(SignalObservation(signal, payload, at));
        } catch (const std::exception& error) {
            encodingFailed(signal, error);
        }
    }

    // Queues one ready observation, or drops it when `capacity` writes are already waiting.
    void write(SignalObservation observation) noexcept;

    // Adds a watcher for every later observation; watchers stay for the life of the writer. A
    // watcher may record through this writer; one that needs another thread hops there itself.
    void watch(Watcher watcher);

    // Runs callback on the writer's queue after every write accepted before this call.
    void whenWritten(std::function<void()> callback);

    // Waits until every write accepted before this call has finished. Called from the writer's
    // own queue (a watcher or a whenWritten callback), where it would wait for itself, it returns
    // at once.
    void flush();

    // Observations refused because the queue was full.
    std::int64_t dropped() const;
    // Writes accepted and not yet finished.
    std::int64_t pending() const;
    std::size_t capacity() const { return capacity_; }

private:
    void encodingFailed(const Signal& signal, const std::exception& error) noexcept;
    void perform(const SignalObservation& observation) noexcept;
    void jobFinished() noexcept;

    Store& store_;
    const std::size_t capacity_;
    Logger logger_{"observations"};

    mutable std::mutex stateLock_;
    std::int64_t pending_ = 0;
    std::int64_t dropped_ = 0;
    // Jobs on the queue not yet finished, their watchers and callbacks included: with none, flush()
    // returns without a round trip to the queue's thread (virtual time flushes after every round).
    std::int64_t unfinished_ = 0;

    // Replaced, never changed in place, so a write takes the current list under the lock and calls
    // it after releasing the lock.
    std::mutex watchersLock_;
    std::shared_ptr<const std::vector<Watcher>> watchers_ = std::make_shared<std::vector<Watcher>>();

    // Declared last, so it is destroyed first: it drains and joins while everything its jobs use
    // is still there, and jobs it runs meanwhile (a watcher recording again) still reach it.
    SerialQueue queue_;
};

} // namespace ostrel
