#pragma once

#include "platform/Subscription.hpp"

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace ostrel {

// Tells observers which property of an object changed, synchronously, on the thread that changed
// it (the main executor for every model here). An observer is kept until its token is destroyed;
// one may unsubscribe, or subscribe another, from inside its own call: the list is copied first
// and a dropped observer is not called again.
template <class Property>
class ChangeNotifier {
public:
    using Observer = std::function<void(Property)>;

    Subscription observe(Observer observer) {
        auto entry = std::make_shared<Entry>(Entry{std::move(observer)});
        entries_->push_back(entry);
        return Subscription([weakEntries = std::weak_ptr(entries_), weakEntry = std::weak_ptr(entry)] {
            if (const auto entry = weakEntry.lock()) {
                entry->observer = nullptr;
                if (const auto entries = weakEntries.lock()) {
                    std::erase(*entries, entry);
                }
            }
        });
    }

    void notify(Property property) const {
        const std::vector<std::shared_ptr<Entry>> now = *entries_;
        for (const auto& entry : now) {
            if (entry->observer) {
                const Observer observer = entry->observer;
                observer(property);
            }
        }
    }

    // Stores value in field and notifies when it differs from what was there; equal values are
    // stored silently. Returns whether it notified.
    template <class Value, class New>
    bool assign(Value& field, New&& value, Property property) const {
        if (field == value) {
            return false;
        }
        field = std::forward<New>(value);
        notify(property);
        return true;
    }

private:
    struct Entry {
        Observer observer;
    };
    std::shared_ptr<std::vector<std::shared_ptr<Entry>>> entries_ =
        std::make_shared<std::vector<std::shared_ptr<Entry>>>();
};

} // namespace ostrel
