#pragma once

#include "platform/Executor.hpp"

#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace ostrel {

// A subscription to a platform role's events. Destroying it (or calling cancel()) unsubscribes:
// after that no event reaches the callback, not even one already posted to its executor.
class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
    ~Subscription() { cancel(); }

    Subscription(Subscription&& other) noexcept : cancel_(std::exchange(other.cancel_, nullptr)) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            cancel();
            cancel_ = std::exchange(other.cancel_, nullptr);
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;

    void cancel() {
        if (cancel_) {
            std::exchange(cancel_, nullptr)();
        }
    }

private:
    std::function<void()> cancel_;
};

// The subscribers of one kind of event: each gets every event on its own executor, in the order
// emitted. Safe to use from any thread; a subscription may outlive this object.
template <class Event>
class Subscribers {
public:
    using Callback = std::function<void(const Event&)>;

    Subscription add(Executor& executor, Callback callback) {
        auto entry = std::make_shared<Entry>();
        entry->executor = &executor;
        entry->callback = std::move(callback);
        {
            std::lock_guard guard(state_->lock);
            state_->entries.push_back(entry);
        }
        return Subscription(
            [weakState = std::weak_ptr<State>(state_), weakEntry = std::weak_ptr<Entry>(entry)] {
                const auto found = weakEntry.lock();
                if (!found) {
                    return;
                }
                {
                    // Waits for a delivery running on another thread; none starts after this.
                    std::lock_guard guard(found->guard);
                    found->callback = nullptr;
                }
                if (const auto state = weakState.lock()) {
                    std::lock_guard guard(state->lock);
                    std::erase(state->entries, found);
                }
            });
    }

    // Posts event to every subscriber's executor.
    void emit(const Event& event) {
        std::vector<std::shared_ptr<Entry>> now;
        {
            std::lock_guard guard(state_->lock);
            now = state_->entries;
        }
        for (const auto& entry : now) {
            entry->executor->post([entry, event] {
                std::lock_guard guard(entry->guard);
                if (entry->callback) {
                    const Callback callback = entry->callback; // it may cancel, clearing the original
                    callback(event);
                }
            });
        }
    }

    bool empty() const {
        std::lock_guard guard(state_->lock);
        return state_->entries.empty();
    }

private:
    struct Entry {
        Executor* executor = nullptr;
        Callback callback;
        std::recursive_mutex guard; // the callback may cancel its own subscription
    };
    struct State {
        std::mutex lock;
        std::vector<std::shared_ptr<Entry>> entries;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

} // namespace ostrel
