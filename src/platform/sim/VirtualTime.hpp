#pragma once

#include "platform/Clock.hpp"
#include "platform/Executor.hpp"

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace ostrel {

// Virtual time for tests and the simulator: one manual clock and any number of manual executors.
// Nothing runs on its own: tasks run on the calling thread inside settle(), advance(), sleep() and
// advanceTo(), due timers in deadline order across every executor, then posted tasks in the order
// posted. There is no event loop and no sleeping, so a day of a machine runs in milliseconds.
//
// Work that leaves virtual time (the observation writer's own thread) joins it through flushers:
// after each round in which tasks ran, every flusher runs (writer.flush()), and the round repeats
// until nothing is left.
//
// The clock may be read from any thread, and the executors are posted to from any thread (a
// flusher's thread may post callbacks); everything else belongs to the thread that drives time.
// Driving time from inside a task or flusher (settle() in a task) throws VirtualTimeError, and
// so does a settle that never ends: more than maxTasksPerInstant tasks at one instant means a task
// that re-posts itself forever, which would otherwise hang the test.
class VirtualTimeError : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

class VirtualTime {
public:
    // wall: the wall clock at the start (seconds since 1970); boot: seconds since the virtual
    // machine started. The monotonic clock starts equal to boot.
    explicit VirtualTime(Date wall = 1'757'916'000.0, double boot = 3600.0);
    ~VirtualTime();

    VirtualTime(const VirtualTime&) = delete;
    VirtualTime& operator=(const VirtualTime&) = delete;

    static constexpr std::size_t maxTasksPerInstant = 100'000;

    const Clock& clock() const;

    // A new manual executor, owned by this object and valid for its life.
    Executor& makeExecutor(const std::string& label);

    // Runs after every round in which tasks ran, until a round runs none.
    void addFlusher(std::function<void()> flusher);

    // Runs everything that is due now, and what that posts, until nothing is ready.
    void settle();
    // advance(), advanceTo() and sleep() settle first, so what is ready runs before time moves.
    // Negative or not finite durations throw std::invalid_argument.
    // Awake time passes: every clock moves by seconds; timers fire as their deadlines are reached,
    // each with the clocks reading its deadline.
    void advance(double seconds);
    // advance() up to a wall time (only settle() when it has passed).
    void advanceTo(Date wall);
    // The machine sleeps: wall and boot time move, monotonic time does not. Nothing runs while
    // asleep; what fell due on the boot or wall clock runs at wake, in deadline order.
    void sleep(double seconds);
    // The wall clock is set (a jump either way); monotonic and boot time do not move. Wall
    // deadlines are measured against the new reading, so none fires early. Runs nothing: what the
    // jump made due runs at the next settle() or advance(). May be called from a task.
    void setWall(Date wall);

    // Tasks and timers waiting, cancelled ones excluded.
    std::size_t pending() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace ostrel
