#include "core/observations/ObservationWriter.hpp"

#include "core/store/Store.hpp"

namespace ostrel {

ObservationWriter::ObservationWriter(Store& store, std::size_t capacity, std::string label)
    : store_(store), capacity_(capacity), queue_(std::move(label)) {}

// The queue member drains and joins before the counters, watchers and logger go.
ObservationWriter::~ObservationWriter() = default;

void ObservationWriter::encodingFailed(const Signal& signal, const std::exception& error) noexcept {
    logger_.error("Couldn't encode %s: %@", signal.rawValue, error);
}

void ObservationWriter::write(SignalObservation observation) noexcept {
    {
        std::lock_guard guard(stateLock_);
        if (static_cast<std::size_t>(pending_) >= capacity_) {
            ++dropped_;
            return;
        }
        ++pending_;
        ++unfinished_;
    }
    try {
        queue_.async([this, observation = std::move(observation)] {
            perform(observation);
            jobFinished();
        });
    } catch (...) {
        // Out of memory for the job itself: the write never happens, so it is not pending.
        std::lock_guard guard(stateLock_);
        --pending_;
        --unfinished_;
        ++dropped_;
    }
}

void ObservationWriter::jobFinished() noexcept {
    std::lock_guard guard(stateLock_);
    --unfinished_;
}

void ObservationWriter::perform(const SignalObservation& observation) noexcept {
    try {
        store_.append(std::span(&observation, 1));
    } catch (const std::exception& error) {
        logger_.error("Couldn't write %s: %@", observation.signal.rawValue, error);
    }
    {
        std::lock_guard guard(stateLock_);
        --pending_;
    }
    std::shared_ptr<const std::vector<Watcher>> watchers;
    {
        std::lock_guard guard(watchersLock_);
        watchers = watchers_;
    }
    for (const Watcher& watcher : *watchers) {
        // One failing watcher must not keep the others from seeing the observation.
        try {
            watcher(observation);
        } catch (const std::exception& error) {
            logger_.fault("A watcher failed on %s: %@", observation.signal.rawValue, error);
        } catch (...) {
            logger_.fault("A watcher failed on %s", observation.signal.rawValue);
        }
    }
}

void ObservationWriter::watch(Watcher watcher) {
    std::lock_guard guard(watchersLock_);
    auto next = std::make_shared<std::vector<Watcher>>(*watchers_);
    next->push_back(std::move(watcher));
    watchers_ = std::move(next);
}

void ObservationWriter::whenWritten(std::function<void()> callback) {
    {
        std::lock_guard guard(stateLock_);
        ++unfinished_;
    }
    try {
        queue_.async([this, callback = std::move(callback)]() mutable {
            // Finished only once the callback and what it holds are gone, thrown or not.
            struct Finish {
                ObservationWriter* writer;
                std::function<void()>& callback;
                ~Finish() {
                    callback = nullptr;
                    writer->jobFinished();
                }
            } finish{this, callback};
            callback();
        });
    } catch (...) {
        jobFinished();
        throw;
    }
}

void ObservationWriter::flush() {
    if (queue_.isCurrent()) {
        return;
    }
    {
        std::lock_guard guard(stateLock_);
        if (unfinished_ == 0) {
            return;
        }
    }
    queue_.sync([] {});
}

std::int64_t ObservationWriter::dropped() const {
    std::lock_guard guard(stateLock_);
    return dropped_;
}

std::int64_t ObservationWriter::pending() const {
    std::lock_guard guard(stateLock_);
    return pending_;
}

} // namespace ostrel
