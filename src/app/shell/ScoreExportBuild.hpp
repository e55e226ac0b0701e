#pragma once

#include "core/foundation/Calendar.hpp"
#include "core/replay/ScoreExport.hpp"
#include "core/calendar/CalendarSeries.hpp"
#include "core/episodes/Episode.hpp"
#include "platform/Executor.hpp"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

class Runtime;
class Store;

// The score export's text, built from the whole store: every episode and the calendar series
// replayed and learned with the user's calendar. Building replays every episode, which can take
// long, so start() runs it on the runtime's worker and only the finished text comes back to main.
//
// Destroying the build while it runs is safe: the text is dropped on main once its owner is gone.
//
// Threading: main executor; the store and calendar are also read on the worker.
class ScoreExportBuild {
public:
    static constexpr const char* readFailure = "Ostrel couldn't read its database.";
    static constexpr const char* buildFailure = "Ostrel couldn't build the export.";

    // What the export is made from. The store and the runtime must outlive every build in flight.
    struct Sources {
        Store* store = nullptr; // none: the database did not open, and start() builds nothing
        Runtime& runtime;
        Calendar calendar;
        std::string version;
        std::map<std::string, bool> signals;
        ScoreExport::Budgets budgets;
    };

    explicit ScoreExportBuild(Sources sources);

    // Whether text is one of the failure sentences rather than an export.
    static bool isFailure(std::string_view text);

    ScoreExportBuild(const ScoreExportBuild&) = delete;
    ScoreExportBuild& operator=(const ScoreExportBuild&) = delete;

    // The export's JSON of those episodes and series (its bytes made valid UTF-8). Throws what the
    // encoding throws.
    static std::string json(const std::vector<Episode>& episodes, const std::vector<CalendarSeries>& series,
                            const Calendar& calendar, const std::string& version,
                            const std::map<std::string, bool>& signals, const ScoreExport::Budgets& budgets);

    // The text the window shows for the store as of now: the JSON of every episode from 0 to now
    // (in whole milliseconds) + 1, or readFailure when the store's reads throw, or buildFailure
    // when the export cannot be made or encoded.
    static std::string text(Store& store, Date now, const Calendar& calendar, const std::string& version,
                            const std::map<std::string, bool>& signals, const ScoreExport::Budgets& budgets);

    // Builds text() on the worker as of the clock's now there, then sets text and calls ready on
    // main. Once per build; without a store it does nothing (the text stays absent).
    void start(std::function<void()> ready = {});

    bool building() const { return building_; }
    // The export or a failure sentence; absent until the build came back.
    const std::optional<std::string>& text() const { return text_; }

private:
    Sources sources_;
    bool started_ = false;
    bool building_ = false;
    std::optional<std::string> text_;
    std::function<void()> ready_;
    // Last: the text posted back to main does nothing once this is gone.
    LifetimeGuard guard_;
};

} // namespace ostrel
