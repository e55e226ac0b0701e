#include "ui/shell/MenuContent.hpp"

#include <cmath>
#include <stdexcept>

namespace ostrel::ui {
namespace {

// The parts that have text, with " · " between them, so a missing part leaves no dangling dot.
std::string joined(const std::string& first, const std::string& second) {
    if (first.empty()) return second;
    if (second.empty()) return first;
    return first + " \u00B7 " + second;
}

MenuHeader headerOf(const MenuStatus& status) {
    if (status.storeError) {
        return {"Ostrel", "Can't open its data", "Quit and open it again. If that doesn't help, tell Oruki."};
    }
    if (status.paused) return {"Paused", "Resting until tomorrow", "Ostrel won't set anything up today."};
    if (status.nextUp) {
        const UpcomingEvent& next = *status.nextUp;
        const bool now = next.when == "Now";
        const std::string title = next.event.title.empty() ? "Untitled event" : next.event.title;
        return {now ? "Now" : "Next", title, now ? next.plan : joined(next.when, next.plan)};
    }
    return {"Ostrel", "Nothing else today",
            status.calendarReadable ? "It'll get your computer ready for what's next."
                                    : "Pick a calendar in Settings so it knows your classes."};
}

} // namespace

int MenuContent::rowCount(const MenuStatus& status) {
    return baseRows + (status.setupRemaining >= 1 ? 1 : 0) + (status.lastRunName ? 1 : 0);
}

std::string MenuContent::art(int rowCount) { return "menu-" + std::to_string(rowCount); }

std::string MenuContent::toolTip(const MenuStatus& status) {
    return status.setupRemaining >= 1 ? "Ostrel \u2014 finish setting up" : "Ostrel";
}

MenuContent MenuContent::of(const MenuStatus& status) {
    MenuContent content;
    content.header = headerOf(status);
    if (status.setupRemaining >= 1) {
        content.items.push_back({MenuAction::finishSetup, "exclamationmark.circle.fill", "Finish setting up",
                                 std::to_string(status.setupRemaining) + " left"});
    }
    if (status.lastRunName) {
        const std::string& name = *status.lastRunName;
        content.items.push_back(
            {MenuAction::undo, "arrow.uturn.backward", name.empty() ? "Undo last setup" : "Undo " + name, std::nullopt});
    }
    if (status.paused) {
        content.items.push_back({MenuAction::resume, "play.circle", "Resume setups", std::nullopt});
    } else {
        content.items.push_back({MenuAction::pause, "pause.circle", "Pause for today", std::nullopt});
    }
    content.items.push_back({MenuAction::routines, "sparkles", "Routines", std::nullopt});
    content.items.push_back({MenuAction::time, "chart.bar", "Your time", std::nullopt});
    content.items.push_back({MenuAction::settings, "gearshape", "Settings", std::nullopt});
    content.items.push_back({MenuAction::quit, "power", "Quit Ostrel", std::nullopt});
    return content;
}

std::int64_t MenuContent::pauseEnd(Date now, const Calendar& calendar) {
    // From the start of today, so a pause at 23:59 still ends at the coming midnight and a day
    // of 23 or 25 hours is walked as one day.
    const Date end = calendar.startOfDay(calendar.addingDays(1, calendar.startOfDay(now)));
    const auto milliseconds = roundedMilliseconds(end);
    if (!milliseconds) throw DateRangeError("the pause's end is out of range");
    return *milliseconds;
}

} // namespace ostrel::ui
