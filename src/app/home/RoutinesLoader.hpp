#pragma once

#include "app/shell/ChangeNotifier.hpp"
#include "core/calendar/CalendarSeries.hpp"
#include "core/calendar/SeriesSchedule.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/learning/Routine.hpp"
#include "platform/Executor.hpp"
#include "platform/Subscription.hpp"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

class LanguageModel;
class Runtime;
class Settings;
class Store;
class Workspace;

// One row of the routines page: the routine with the student's edits merged in, the name it is
// shown under (a smart name may replace it after loading) and whether an undo demoted it. Rows with
// the same key id are the same row.
struct LearnedRoutine {
    Routine routine;
    std::string name;
    bool demoted = false;

    std::string id() const { return routine.key.id(); }
    friend bool operator==(const LearnedRoutine&, const LearnedRoutine&) = default;
};

// The routines page's list and how it is loaded: every routine the system knows, learned or made,
// in the page's order, with the calendar series and the class schedules their moments are worded
// with.
//
// A load reads the store on the runtime's worker (episodes up to now, the series, the routine
// edits; a failure of any of these gives the empty list), runs the learner and the routine book,
// reads the calendar events of seven days either side of now (a failure only loses the schedules)
// and names each routine: its own name, else the cached smart name, else its RoutineName. Back on
// the main executor the demoted flags are set from "demotedRoutines" (only when there is an
// autopilot: without one nothing is demoted), and the rows, the series and the schedules replace
// the old ones together, so rows are never worded with another load's schedules, nor calendar
// routines left without their moments while the model is slow. Then the smart names are asked one
// row at a time; each answer renames the row with the asked key id in the list current then.
//
// Loads overlap: each gets a number, and only the newest load's result is taken; an older one
// that arrives later is dropped. Taking a newer result stops the asking of the older list (an
// answer already on its way still renames its row in the new list). Destroying the loader drops
// whatever is still in flight: no callback reaches it afterwards.
//
// Deliberately not here: when to load (the page loads on being shown and on "quevRoutinesChanged")
// and any wording of the rows (RoutineRowText).
//
// Threading: construct, load and read on the main executor. The referenced services must outlive
// every load started, including the worker's part after the loader is gone.
class RoutinesLoader {
public:
    struct Services {
        Store* store = nullptr;         // none: load() does nothing
        bool hasAutopilot = false;      // without one no routine is demoted
        LanguageModel* model = nullptr; // none: no smart names are asked
        Settings& settings;             // "smartNames", "demotedRoutines"
        Runtime& runtime;               // clock, worker, main executor
        const Workspace& workspace;     // names the items in the model's prompt
        const Calendar& calendar;
    };

    // What the worker hands back.
    struct Result {
        std::vector<LearnedRoutine> rows;
        std::vector<CalendarSeries> series;
        std::map<std::string, SeriesSchedule> schedules;
    };

    // What observers hear: the list was replaced (with its series and schedules), or names of
    // rows changed in place (same rows, same order).
    enum class Property { rows, names };

    // Calendar events this far either side of now give the schedules (ms).
    static constexpr std::int64_t scheduleReach = 604'800'000;

    explicit RoutinesLoader(Services services);
    ~RoutinesLoader();

    RoutinesLoader(const RoutinesLoader&) = delete;
    RoutinesLoader& operator=(const RoutinesLoader&) = delete;

    // Starts a load; without a store nothing happens.
    void load();

    // Absent until a load finished; then the rows, possibly empty.
    const std::optional<std::vector<LearnedRoutine>>& routines() const { return routines_; }
    const std::vector<CalendarSeries>& series() const { return series_; }
    const std::map<std::string, SeriesSchedule>& schedules() const { return schedules_; }
    // Whether a smart name is being asked for a row of the list now.
    bool isNaming() const { return naming_.has_value(); }

    [[nodiscard]] Subscription observe(ChangeNotifier<Property>::Observer observer) {
        return notifier_.observe(std::move(observer));
    }

    // The worker's part of a load at `now` (ms since 1970): nothing when a read of the episodes,
    // the series or the edits throws. Reads the settings only for the cached smart names. Every row
    // is undemoted. Safe on any thread.
    static std::optional<Result> compute(Store& store, std::int64_t now, const Calendar& calendar,
                                         const Settings& settings);

    // The ids in "demotedRoutines": an array of texts; anything else, or an element that is not
    // text, demotes nothing.
    static std::vector<std::string> demotedIds(const Settings& settings);

private:
    void take(std::uint64_t number, std::optional<Result> result);
    void askName(std::uint64_t list, std::size_t index);
    void answered(std::uint64_t list, std::size_t index, const std::string& id,
                  const std::optional<std::string>& name);
    void rename(const std::string& id, const std::string& name);

    Services services_;
    std::uint64_t started_ = 0; // the number of the newest load started
    std::uint64_t shown_ = 0;   // the number of the load whose list is shown
    std::optional<std::vector<LearnedRoutine>> routines_;
    std::vector<CalendarSeries> series_;
    std::map<std::string, SeriesSchedule> schedules_;
    // The routines of the shown list, in order, for asking their names.
    std::vector<Routine> toName_;
    std::optional<Subscription> naming_;
    ChangeNotifier<Property> notifier_;
    LifetimeGuard guard_; // last: goes first
};

} // namespace ostrel
