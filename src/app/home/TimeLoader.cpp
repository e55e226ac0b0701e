#include "app/home/TimeLoader.hpp"

#include "app/ai/LookBack.hpp"
#include "core/store/Store.hpp"

#include <cmath>
#include <exception>
#include <limits>
#include <utility>
#include <vector>

namespace ostrel {

namespace {

// Milliseconds since 1970, truncated, of a clock reading.
std::int64_t milliseconds(Date date) {
    return static_cast<std::int64_t>(date * 1000.0);
}

} // namespace

TimeLoader::TimeLoader(Sources sources) : sources_(std::move(sources)) {
    if (sources_.model != nullptr) {
        access_.emplace(ModelAccess{*sources_.model, sources_.settings, sources_.workspace});
    }
}

TimeLoader::~TimeLoader() {
    // A read still queued on the worker is skipped; one running ends and its answer is dropped.
    newest_->store(std::numeric_limits<std::uint64_t>::max());
}

Date TimeLoader::windowStart(TimeSpan span, Date now, const Calendar& calendar) {
    const Date today = calendar.startOfDay(now);
    return span == TimeSpan::week ? calendar.addingDays(-6, today) : today;
}

void TimeLoader::load(TimeSpan span) {
    if (sources_.store == nullptr) {
        return;
    }
    const Clock& clock = sources_.runtime.clock();
    const Date now = clock.now();
    if (!std::isfinite(now)) {
        return;
    }
    const Date start = windowStart(span, now, sources_.calendar);
    const std::uint64_t generation = newest_->fetch_add(1) + 1;
    loading_ = true;

    auto back = guard_.wrap([this, generation, span, start](std::optional<TimeReport>& report) {
        finish(generation, span, start, std::move(report));
    });
    sources_.runtime.worker().post([store = sources_.store, calendar = sources_.calendar, &clock,
                                    &main = sources_.runtime.main(), newest = newest_, generation,
                                    from = milliseconds(start), back = std::move(back)]() mutable {
        if (newest->load() != generation) {
            return; // a newer load or the loader's end came first: nobody waits for this one
        }
        std::optional<TimeReport> report;
        try {
            // The window ends where the read is made, not where it was asked for.
            const std::int64_t to = milliseconds(clock.now()) + 1;
            const std::vector<SignalObservation> observations =
                store->observationsWithPayloadsOf(from - readAhead, to, TimeReport::payloadSignals());
            const std::vector<CalendarEvent> events = store->calendarEvents(from, to);
            report.emplace(observations, from, to, events, calendar);
        } catch (const std::exception&) {
            // No report: the page shows its placeholders again.
        }
        main.post([back = std::move(back), report = std::move(report)]() mutable { back(report); });
    });
}

void TimeLoader::finish(std::uint64_t generation, TimeSpan span, Date start, std::optional<TimeReport> report) {
    if (generation != newest_->load()) {
        return; // superseded: the newer load brings what is shown
    }
    loading_ = false;
    notifier_.assign(firstDay_, start, Property::firstDay);
    notifier_.assign(report_, std::move(report), Property::report);
    if (span != TimeSpan::week || !report_) {
        return;
    }
    if (!access_) {
        writing_.cancel();
        notifier_.assign(lookBack_, std::nullopt, Property::lookBack);
        return;
    }
    writing_ = LookBack::write(*report_, sources_.calendar, sources_.runtime.clock().now(), *access_,
                               [this](const std::optional<std::string>& text) {
                                   notifier_.assign(lookBack_, text, Property::lookBack);
                               });
}

} // namespace ostrel
