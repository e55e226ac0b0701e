#pragma once

#include <string>
#include <utility>

namespace ostrel {

// Whether a platform role can be used on this machine, and why not. Callers ask before they use a
// role and degrade as they would without the permission; reason is for the log, empty when
// available.
struct Availability {
    bool available = false;
    std::string reason;

    static Availability yes() { return {true, {}}; }
    static Availability no(std::string reason) { return {false, std::move(reason)}; }

    friend bool operator==(const Availability&, const Availability&) = default;
};

} // namespace ostrel
