#include "ui/QtExecutor.hpp"

#include "core/foundation/Logger.hpp"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace ostrel::ui {

namespace {

const Logger logger("runtime");

thread_local const QtExecutor* currentExecutor = nullptr;

// Longest single timer, well inside QTimer's int milliseconds.
constexpr double longestWait = 3600.0;

} // namespace

QtExecutor::QtExecutor(std::string label, const Clock& clock) : label_(std::move(label)), clock_(clock) {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) {
        throw std::logic_error("QtExecutor needs a QCoreApplication");
    }
    context_.moveToThread(application->thread());
    timer_.moveToThread(application->thread());
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &context_, [this] { runDue(); });
}

QtExecutor::~QtExecutor() {
    timer_.stop();
    std::lock_guard guard(lock_);
    queue_.clear();
}

void QtExecutor::push(TimerBase base, double deadline, TimerQueue::Entry entry) {
    {
        std::lock_guard guard(lock_);
        queue_.push(base, deadline, std::move(entry));
    }
    // One wake-up on its way is enough: it runs what is due and re-arms for the rest.
    if (!wakePosted_.exchange(true)) {
        QMetaObject::invokeMethod(&context_, [this] { runDue(); }, Qt::QueuedConnection);
    }
}

bool QtExecutor::isCurrent() const {
    return currentExecutor == this;
}

void QtExecutor::runDue() {
    // Cleared before reading the queue: a push after this point posts a wake-up of its own.
    wakePosted_.store(false);
    for (int ran = 0; ran < tasksPerTurn; ++ran) {
        std::optional<TimerQueue::Entry> entry;
        {
            std::lock_guard guard(lock_);
            entry = queue_.popDue(ClockReadings::of(clock_));
        }
        if (!entry) {
            arm();
            return;
        }
        if (entry->claim()) {
            const QtExecutor* outer = std::exchange(currentExecutor, this);
            try {
                entry->task();
            } catch (const std::exception& error) {
                logger.error("A task on %{public}s failed: %s", label_, error);
            } catch (...) {
                logger.error("A task on %{public}s failed", label_);
            }
            currentExecutor = outer;
        }
    }
    // More is due: let the loop handle its own events first.
    if (!wakePosted_.exchange(true)) {
        QMetaObject::invokeMethod(&context_, [this] { runDue(); }, Qt::QueuedConnection);
    }
}

void QtExecutor::arm() {
    std::optional<TimerQueue::Next> next;
    {
        std::lock_guard guard(lock_);
        next = queue_.next(ClockReadings::of(clock_));
    }
    if (!next) {
        timer_.stop();
        return;
    }
    double wait = std::min(next->delay, longestWait);
    if (next->base != TimerBase::monotonic) {
        wait = std::min(wait, recheckSeconds);
    }
    // Rounded up: a timer that fires a fraction early only finds nothing due and re-arms.
    timer_.start(static_cast<int>(std::ceil(std::max(wait, 0.0) * 1000.0)));
}

} // namespace ostrel::ui
