#pragma once

#include "platform/Availability.hpp"
#include "platform/Executor.hpp"
#include "platform/Subscription.hpp"

#include <functional>

namespace ostrel {

struct SessionEvent {
    enum class Kind { locked, unlocked };
    Kind kind = Kind::locked;

    friend bool operator==(const SessionEvent&, const SessionEvent&) = default;
};

// The user session's screen lock. Sleep and wake come from Workspace, since the desktop reports
// them together with the applications.
//
// Threading: every member may be called from any thread; events reach each subscriber on its
// executor, in the order they happened. Locking twice in a row reports once.
class SessionEvents {
public:
    using Callback = std::function<void(const SessionEvent&)>;

    virtual ~SessionEvents() = default;

    virtual Availability availability() const = 0;
    virtual bool isLocked() const = 0;
    virtual Subscription subscribe(Executor& executor, Callback callback) = 0;
};

} // namespace ostrel
