#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace ostrel {

// A named queue that runs its jobs one at a time, in the order they were submitted, on a thread of
// its own. Destroying it runs every job already submitted (and any that those jobs submit), then
// joins the thread; submitting from another thread while it is being destroyed is the owner's error.
class SerialQueue {
public:
    explicit SerialQueue(std::string label);
    ~SerialQueue();

    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    const std::string& label() const { return label_; }

    // Queues job and returns at once.
    void async(std::function<void()> job);

    // Queues job and waits until it has run. Called from a job of this queue, where waiting would
    // wait for itself, it runs job at once instead.
    void sync(const std::function<void()>& job);

    // True when called from one of this queue's jobs.
    bool isCurrent() const;

private:
    void run();

    std::string label_;
    std::mutex lock_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace ostrel
