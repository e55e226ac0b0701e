// The two features that ask the language model on their own, as the routines page and the time
// page ask: a smart name for one routine, and the week's look-back. Each prints what it got and
// what the preferences of --config now hold; --dry-run prints the request body instead.

#include "CommandMachine.hpp"
#include "Commands.hpp"
#include "ModelTool.hpp"
#include "app/ai/LookBack.hpp"
#include "app/ai/ModelAccess.hpp"
#include "app/ai/SmartNames.hpp"
#include "core/foundation/Json.hpp"
#include "core/observations/TimeReport.hpp"
#include "core/routines/PlanningPass.hpp"
#include "core/store/Store.hpp"
#include "platform/LocalLanguageModel.hpp"
#include "platform/SettingsKeys.hpp"
#include "platform/linux/UnavailablePlatform.hpp"
#include "platform/sim/SimulatedMachine.hpp"

#include <iostream>
#include <limits>

namespace ostrel::dev {

namespace {

// The machine whose workspace names the apps: --machine's, else this desktop's (which names none
// yet, so apps go by their ids).
struct Naming {
    explicit Naming(const Options& options) {
        if (const auto path = options.text("--machine")) {
            machine = std::make_unique<SimulatedMachine>(readMachineState(options, *path));
        } else {
            desktop = std::make_unique<UnavailablePlatform>();
        }
    }
    const Workspace& workspace() { return machine ? machine->workspace() : desktop->workspace(); }

    std::unique_ptr<SimulatedMachine> machine;
    std::unique_ptr<UnavailablePlatform> desktop;
};

std::int64_t nowOrAt(const Options& options, const Calendar& calendar) {
    if (const auto at = options.moment("--at", calendar)) {
        return *at;
    }
    return static_cast<std::int64_t>(SystemClock().now() * 1000.0);
}

json::Value storedUnder(const Settings& settings, std::string_view key) {
    const auto value = settings.get(key);
    return value ? Settings::tagged(*value) : json::Value();
}

double limitOf(const Settings& settings) {
    return LocalLanguageModel::timeout(settings) + LocalLanguageModel::probeTimeout + 30;
}

int printDryRun(const CommandModel& model) {
    for (const std::string& body : model.bodies()) {
        std::cout << body << '\n';
    }
    return 0;
}

} // namespace

int smartNameCommand(const Arguments& arguments) {
    const Options options("smart-name", arguments, {"--key", "--tz", "--at", "--config", "--machine"},
                          {"--dry-run"});
    const std::string& db = options.single("one database");
    const auto key = options.text("--key");
    if (!key) {
        throw options.error("--key is required");
    }
    const Calendar calendar = options.calendar();
    const std::int64_t at =
        options.text("--at") ? *options.moment("--at", calendar) : std::numeric_limits<std::int64_t>::max();
    std::optional<Routine> routine;
    std::vector<CalendarSeries> series;
    try {
        Store store(options.existingFile(db), Store::Access::reader);
        PlanningPass::Known known = PlanningPass::known(store, at, calendar);
        for (Routine& one : known.routines) {
            if (one.key.id() == *key) {
                routine = std::move(one);
                break;
            }
        }
        series = std::move(known.series);
    } catch (const std::exception& failure) {
        throw options.error("cannot read " + db + ": " + failure.what());
    }
    if (!routine) {
        throw options.error("no routine " + *key + " in " + db);
    }

    const std::unique_ptr<Settings> settings = commandSettings(options);
    Naming naming(options);
    SystemRuntime runtime;
    CommandModel model(*settings, runtime, options.flag("--dry-run"));
    const ModelAccess access{model.model(), *settings, naming.workspace()};
    std::optional<std::string> name;
    runOnMain(runtime, options, limitOf(*settings), [&](std::function<void()> finish) {
        return SmartNames::name(*routine, series, calendar, access,
                                [&, finish](const std::optional<std::string>& made) {
                                    name = made;
                                    finish();
                                });
    });
    if (options.flag("--dry-run")) {
        return printDryRun(model);
    }
    json::Value result = json::Value::object();
    result["name"] = name ? json::Value(*name) : json::Value();
    result["stored"] = storedUnder(*settings, settingsKeys::smartNames);
    std::cout << json::encode(result) << '\n';
    return 0;
}

int lookBackCommand(const Arguments& arguments) {
    const Options options("look-back", arguments, {"--tz", "--at", "--config", "--machine"}, {"--dry-run"});
    const std::string& db = options.single("one database");
    const Calendar calendar = options.calendar();
    const std::int64_t now = nowOrAt(options, calendar);
    // The week as the time page reads it: from the start of the day six days back to now, with
    // the six hours before it read too, so that activity begun earlier is credited.
    const Date today = calendar.startOfDay(static_cast<Date>(now) / 1000.0);
    const auto from = static_cast<std::int64_t>(calendar.addingDays(-6, today) * 1000.0);
    const std::int64_t to = now + 1;
    TimeReport report;
    try {
        Store store(options.existingFile(db), Store::Access::reader);
        const std::vector<SignalObservation> observations = store.observations(from - 21'600'000, to);
        report = TimeReport(observations, from, to, store.calendarEvents(from, to), calendar);
    } catch (const std::exception& failure) {
        throw options.error("cannot read " + db + ": " + failure.what());
    }

    const std::unique_ptr<Settings> settings = commandSettings(options);
    Naming naming(options);
    SystemRuntime runtime;
    CommandModel model(*settings, runtime, options.flag("--dry-run"));
    const ModelAccess access{model.model(), *settings, naming.workspace()};
    std::optional<std::string> text;
    runOnMain(runtime, options, limitOf(*settings), [&](std::function<void()> finish) {
        return LookBack::write(report, calendar, static_cast<Date>(now) / 1000.0, access,
                               [&, finish](const std::optional<std::string>& written) {
                                   text = written;
                                   finish();
                               });
    });
    if (options.flag("--dry-run")) {
        return printDryRun(model);
    }
    json::Value result = json::Value::object();
    result["text"] = text ? json::Value(*text) : json::Value();
    result["active"] = report.active;
    result["stored"] = storedUnder(*settings, settingsKeys::lookBack);
    std::cout << json::encode(result) << '\n';
    return 0;
}

} // namespace ostrel::dev
