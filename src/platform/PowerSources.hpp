#pragma once

#include "platform/Availability.hpp"
#include "platform/Executor.hpp"
#include "platform/Subscription.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

// The system's own names, passed through unchanged so that the reader decides what they mean.
namespace power {
inline constexpr std::string_view acPower = "AC Power";
inline constexpr std::string_view batteryPower = "Battery Power";
inline constexpr std::string_view upsPower = "UPS Power";
inline constexpr std::string_view internalBattery = "InternalBattery"; // a source's type
} // namespace power

// One power source (the internal battery, a UPS) as the system describes it. Every field is
// absent when the description lacks it or holds a value of another kind.
struct PowerSourceInfo {
    std::optional<std::string> type; // power::internalBattery for the laptop's battery
    std::optional<std::int64_t> currentCapacity;
    std::optional<std::int64_t> maxCapacity; // in the same unit; not checked to be above 0
    std::optional<bool> charging;

    friend bool operator==(const PowerSourceInfo&, const PowerSourceInfo&) = default;
};

// The raw power facts: the providing power type and every source, in the system's order.
struct PowerInfo {
    std::optional<std::string> providingType; // power::acPower, batteryPower, upsPower or another
    std::vector<PowerSourceInfo> sources;

    friend bool operator==(const PowerInfo&, const PowerInfo&) = default;
};

// Where the machine takes its power from, and the notice that this changed.
//
// Threading: every member may be called from any thread; notices reach the subscriber on the
// executor it subscribed with.
class PowerSources {
public:
    using Callback = std::function<void()>;

    virtual ~PowerSources() = default;

    virtual Availability availability() const = 0;
    // The facts now; absent when the system cannot give them at all.
    virtual std::optional<PowerInfo> powerInfo() const = 0;
    // Calls callback on executor whenever a power source changes. Subscribing may fail: the
    // system then has no way to notify (no notification source could be made), the answer is
    // absent and the caller never hears of a change. Never throws.
    virtual std::optional<Subscription> watchPower(Executor& executor, Callback callback) = 0;
};

} // namespace ostrel
