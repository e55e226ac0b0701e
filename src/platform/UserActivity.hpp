#pragma once

#include "platform/Availability.hpp"

#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace ostrel {

// Keeps the machine from idle sleep while it lives (a long recording, a timer the user watches).
// Move-only; destroying it or calling release() lets the machine sleep again. An empty one (the
// request was refused) holds nothing.
class WakeLock {
public:
    WakeLock() = default;
    explicit WakeLock(std::function<void()> release) : release_(std::move(release)) {}
    ~WakeLock() { release(); }

    WakeLock(WakeLock&& other) noexcept : release_(std::exchange(other.release_, nullptr)) {}
    WakeLock& operator=(WakeLock&& other) noexcept {
        if (this != &other) {
            release();
            release_ = std::exchange(other.release_, nullptr);
        }
        return *this;
    }
    WakeLock(const WakeLock&) = delete;
    WakeLock& operator=(const WakeLock&) = delete;

    bool held() const { return release_ != nullptr; }
    void release() {
        if (release_) {
            std::exchange(release_, nullptr)();
        }
    }

private:
    std::function<void()> release_;
};

// How long the user has left keyboard and pointer alone, and keeping the machine awake.
//
// Threading: every member may be called from any thread; a WakeLock may be released on any
// thread.
class UserActivity {
public:
    virtual ~UserActivity() = default;

    virtual Availability availability() const = 0;
    // Seconds since the last input; absent when the system cannot say.
    virtual std::optional<double> idleSeconds() const = 0;
    // Whether some process (a video player, a presentation) keeps the display from idle sleep
    // now; false when the system cannot say.
    virtual bool displayKeptAwake() const = 0;
    // Holds the machine awake for reason (shown by the system to the user); an empty WakeLock when
    // refused.
    virtual WakeLock keepAwake(const std::string& reason) = 0;
};

} // namespace ostrel
