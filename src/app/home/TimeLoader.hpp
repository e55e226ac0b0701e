#pragma once

#include "app/ai/ModelAccess.hpp"
#include "app/home/TimeTexts.hpp"
#include "app/shell/ChangeNotifier.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/observations/TimeReport.hpp"
#include "platform/Executor.hpp"
#include "platform/Runtime.hpp"
#include "platform/Subscription.hpp"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace ostrel {

class Store;

// What the time page shows, loaded: the report of today or of the week so far, the first day of its
// window (the day chart labels its days from it) and, after a week load, the look-back text.
//
// A load reads the store and builds the report on the runtime's worker, so the main executor never
// waits on the database, and hands the report back to main. A store read or a report that throws
// gives no report (the page falls back to its placeholders); nothing is said. The look-back is
// asked only after a week load that gave a report; without a model it is none. A today load leaves
// the look-back as it was, so the week's text is there again at once when the week is chosen again.
//
// Only the newest load counts: one superseded by a later load() is dropped when it comes back (its
// read is skipped when it has not started), so a slow load of the span left behind never overwrites
// the span chosen. Destroying the loader while a read or the model is pending is safe: the read's
// answer is dropped on main and the model call is let go.
//
// Threading: main executor only; the store and the calendar are read on the worker as well.
class TimeLoader {
public:
    enum class Property { firstDay, report, lookBack };

    // Activity that began before the window is credited from its start: the reads reach this much
    // earlier, in milliseconds (six hours).
    static constexpr std::int64_t readAhead = 21'600'000;

    // Every reference must outlive the loader, the store and the runtime also every load in flight.
    struct Sources {
        Store* store = nullptr; // none: the database did not open, and load() changes nothing
        Runtime& runtime;
        Calendar calendar;
        LanguageModel* model = nullptr; // none: a week load's look-back is none
        Settings& settings;             // the day's look-back is kept in "lookBack"
        const Workspace& workspace;     // names the apps handed to the model
    };

    explicit TimeLoader(Sources sources);
    ~TimeLoader();

    TimeLoader(const TimeLoader&) = delete;
    TimeLoader& operator=(const TimeLoader&) = delete;

    // The first moment of the span's window as of now: the start of today, or of the day six
    // calendar days back (by the calendar's days, so a week across a clock change starts at midnight).
    static Date windowStart(TimeSpan span, Date now, const Calendar& calendar);

    // Starts a load of span as of the clock's now: the window runs from windowStart() to now + 1 ms.
    // Without a store it does nothing.
    void load(TimeSpan span);

    // Whether a load is on its way.
    bool loading() const { return loading_; }

    // The start of the window of the last load that came back; 0 before one did.
    Date firstDay() const { return firstDay_; }
    // The last load's report; none before one came back and after a failed one.
    const std::optional<TimeReport>& report() const { return report_; }
    // The look-back of the last week load with a report; none before it answered.
    const std::optional<std::string>& lookBack() const { return lookBack_; }

    [[nodiscard]] Subscription observe(ChangeNotifier<Property>::Observer observer) {
        return notifier_.observe(std::move(observer));
    }

private:
    void finish(std::uint64_t generation, TimeSpan span, Date start, std::optional<TimeReport> report);

    Sources sources_;
    std::optional<ModelAccess> access_; // with a model only
    // The number of the newest load; the worker reads it to skip a read nobody waits for.
    std::shared_ptr<std::atomic<std::uint64_t>> newest_ = std::make_shared<std::atomic<std::uint64_t>>(0);
    bool loading_ = false;
    Date firstDay_ = 0;
    std::optional<TimeReport> report_;
    std::optional<std::string> lookBack_;
    ChangeNotifier<Property> notifier_;
    Subscription writing_; // the look-back being asked; before the notifier it calls, so it goes first
    // Last: the read's answer posted back to main does nothing once this is gone.
    LifetimeGuard guard_;
};

} // namespace ostrel
