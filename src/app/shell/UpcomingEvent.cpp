#include "app/shell/UpcomingEvent.hpp"

#include "app/editor/Wording.hpp"
#include "core/routines/PlanningPass.hpp"
#include "core/store/Store.hpp"

#include <exception>

namespace ostrel {

std::string UpcomingEvent::id() const {
    return event.key + "|" + std::to_string(event.occurrence);
}

std::string UpcomingEvent::planText(const Autopilot::EventPlan& plan) {
    struct Visitor {
        std::string operator()(const Autopilot::EventPlan::Asking& asking) const {
            return "Asks first \u00B7 " + std::to_string(asking.yeses) + " of " + std::to_string(Autopilot::confident) +
                   " yeses";
        }
        std::string operator()(const Autopilot::EventPlan::OneOff&) const { return "Asks if Ostrel can help"; }
        std::string operator()(const Autopilot::EventPlan::Automatic&) const { return "Sets up by itself"; }
        std::string operator()(const Autopilot::EventPlan::AlwaysAsks&) const {
            return "Always asks: it's a video call";
        }
        std::string operator()(const Autopilot::EventPlan::StoppedAsking&) const { return "Stopped asking"; }
    };
    return std::visit(Visitor{}, plan.value);
}

UpcomingEvent UpcomingEvent::make(const CalendarEvent& event, const Autopilot::EventPlan& plan, std::int64_t now,
                                  const Calendar& calendar) {
    std::string when;
    if (event.start <= now) {
        when = "Now";
    } else {
        const Date start = static_cast<Date>(event.start) / 1000;
        const std::int64_t days = calendar.dayDifference(calendar.startOfDay(static_cast<Date>(now) / 1000),
                                                         calendar.startOfDay(start));
        const std::string day = days == 0   ? std::string("Today")
                                : days == 1 ? std::string("Tomorrow")
                                            : Wording::shortWeekday(calendar.weekday(start), calendar);
        when = day + " " + Wording::timeOfDay(start, calendar);
    }
    return UpcomingEvent{event, std::move(when), planText(plan)};
}

std::vector<UpcomingEvent> UpcomingEvent::load(Store& store, std::int64_t now, std::size_t limit,
                                               const Calendar& calendar) {
    std::vector<CalendarEvent> events;
    try {
        events = store.calendarEvents(now, now + horizon);
    } catch (const std::exception&) {
        events.clear();
    }
    const Answers answers = PlanningPass::answers(store, now);
    std::vector<UpcomingEvent> rows;
    for (const CalendarEvent& event : events) {
        if (rows.size() >= limit) {
            break;
        }
        if (event.end > now) {
            rows.push_back(make(event, Autopilot::plan(event, answers), now, calendar));
        }
    }
    return rows;
}

} // namespace ostrel
