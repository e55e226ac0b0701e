#pragma once

#include "core/foundation/Date.hpp"
#include "platform/Appearance.hpp"
#include "platform/Clock.hpp"

namespace ostrel::ui::shots {

// The moment the picture shows, fixed.
class StillClock final : public Clock {
public:
    explicit StillClock(Date date) : date_(date) {}
    Date now() const override { return date_; }
    double monotonic() const override { return 0; }
    double boot() const override { return 0; }

private:
    Date date_;
};

// The user's motion setting, fixed: it never changes during a picture.
class StillAppearance final : public Appearance {
public:
    explicit StillAppearance(bool reduceMotion) : reduceMotion_(reduceMotion) {}
    bool reduceMotion() const override { return reduceMotion_; }
    Subscription subscribe(Executor&, Callback) override { return {}; }

private:
    bool reduceMotion_;
};

} // namespace ostrel::ui::shots
