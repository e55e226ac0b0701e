#include "core/foundation/SerialQueue.hpp"

#include "core/foundation/Logger.hpp"

#include <exception>
#include <pthread.h>

namespace ostrel {

namespace {

thread_local const SerialQueue* currentQueue = nullptr;

const Logger& logger() {
    static const Logger instance("queue");
    return instance;
}

} // namespace

SerialQueue::SerialQueue(std::string label) : label_(std::move(label)) {
    thread_ = std::thread([this] { run(); });
}

SerialQueue::~SerialQueue() {
    {
        std::lock_guard guard(lock_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void SerialQueue::async(std::function<void()> job) {
    {
        std::lock_guard guard(lock_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void SerialQueue::sync(const std::function<void()>& job) {
    if (isCurrent()) {
        job();
        return;
    }
    std::mutex doneLock;
    std::condition_variable doneSignal;
    bool done = false;
    std::exception_ptr failure;
    async([&] {
        try {
            job();
        } catch (...) {
            failure = std::current_exception();
        }
        std::lock_guard guard(doneLock);
        done = true;
        doneSignal.notify_one();
    });
    std::unique_lock guard(doneLock);
    doneSignal.wait(guard, [&] { return done; });
    if (failure) {
        std::rethrow_exception(failure);
    }
}

bool SerialQueue::isCurrent() const {
    return currentQueue == this;
}

void SerialQueue::run() {
    // Thread names are limited to 15 bytes; the label's start is what a debugger shows.
    ::pthread_setname_np(::pthread_self(), label_.substr(0, 15).c_str());
    currentQueue = this;
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock guard(lock_);
            wake_.wait(guard, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty()) {
                return;
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        try {
            job();
        } catch (const std::exception& error) {
            logger().fault("A job on %{public}s threw: %@", label_, error);
        } catch (...) {
            logger().fault("A job on %{public}s threw", label_);
        }
    }
}

} // namespace ostrel
