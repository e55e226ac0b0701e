#pragma once

#include "platform/Executor.hpp"
#include "platform/Subscription.hpp"

#include <functional>

namespace ostrel {

// Told that the user's motion setting may have changed. It carries nothing: read
// Appearance::reduceMotion() again.
struct AppearanceChange {
    friend bool operator==(const AppearanceChange&, const AppearanceChange&) = default;
};

// The user's accessibility settings that change how the windows look and move. For now only
// whether they asked for less motion: the drifting clouds then stand still. It does not cover
// colours, contrast or text size.
//
// Threading: every member may be called from any thread. Change notices reach each subscriber on
// the executor it subscribed with, in the order they happened.
class Appearance {
public:
    using Callback = std::function<void(const AppearanceChange&)>;

    virtual ~Appearance() = default;

    // True when the user asked the desktop for reduced motion (animations off).
    virtual bool reduceMotion() const = 0;

    virtual Subscription subscribe(Executor& executor, Callback callback) = 0;
};

} // namespace ostrel
