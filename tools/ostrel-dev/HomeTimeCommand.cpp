#include "CommandMachine.hpp"
#include "Commands.hpp"
#include "Options.hpp"

#include "app/home/Duration.hpp"
#include "app/home/ItemDisplay.hpp"
#include "app/home/TimeLoader.hpp"
#include "app/home/TimeTexts.hpp"
#include "core/foundation/Json.hpp"
#include "core/store/Store.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"

#include <iostream>

namespace ostrel::dev {

namespace {

// The usage rows' track on the page: its 680 points of content less the 20-point image and the
// 10 points after it.
constexpr double usageTrack = 650;

json::Value usageRows(const std::vector<TimeReport::Usage>& all, std::size_t shown,
                      const std::function<std::string(const std::string&)>& name) {
    const std::vector<TimeReport::Usage> usage = TimeTexts::firstOf(all, shown);
    const std::int64_t peak = TimeTexts::usagePeak(usage);
    json::Value rows = json::Value::array();
    for (const TimeReport::Usage& entry : usage) {
        rows.push_back(json::Value{{"name", name(entry.key)},
                                   {"words", Duration::words(entry.ms)},
                                   {"width", TimeTexts::usageBarWidth(usageTrack, entry.ms, peak)}});
    }
    return rows;
}

json::Value chart(TimeSpan span, const TimeReport& report, Date firstDay, const Calendar& calendar) {
    json::Value bars = json::Value::array();
    if (span == TimeSpan::today) {
        for (const int hour : TimeTexts::shownHours) {
            const std::int64_t ms = report.hours[static_cast<std::size_t>(hour)];
            bars.push_back(json::Value{
                {"label", TimeTexts::hourLabelled(hour) ? TimeTexts::hourLabel(hour, calendar) : std::string()},
                {"height", TimeTexts::hourBarHeight(ms)},
                {"amount", Duration::words(ms)}});
        }
        return json::Value{{"kind", "hours"}, {"bars", std::move(bars)}};
    }
    const std::int64_t peak = TimeTexts::dayPeak(report.days);
    for (std::size_t i = 0; i < report.days.size(); ++i) {
        bars.push_back(json::Value{{"label", TimeTexts::dayLabel(firstDay, static_cast<int>(i), calendar)},
                                   {"height", TimeTexts::dayBarHeight(report.days[i], peak)},
                                   {"amount", TimeTexts::dayAmount(report.days[i])}});
    }
    return json::Value{{"kind", "days"}, {"bars", std::move(bars)}};
}

} // namespace

// The time page of the Home window at --at as one JSON object: the big number, its caption, the
// saved line, the chart's bars, the three usage lists as the page shows them and the look-back. It
// runs the page's own loader in virtual time with the clock at --at over the database read in place.
// No language model is asked, so the look-back is null (as the page has it without a model).
int homeTimeCommand(const Arguments& arguments) {
    const Options options("home time", arguments, {"--tz", "--at", "--span", "--config"});
    const std::string& path = options.single("one database path");
    const Calendar calendar = options.calendar();
    const auto at = options.moment("--at", calendar);
    if (!at) {
        throw options.error("--at MS|DATE is required");
    }
    const std::string spanText = options.text("--span").value_or("today");
    if (spanText != "today" && spanText != "week") {
        throw options.error("--span expects today or week, not \"" + spanText + "\"");
    }
    const TimeSpan span = spanText == "week" ? TimeSpan::week : TimeSpan::today;
    const auto file = options.existingFile(path);
    const std::unique_ptr<Settings> settings = commandSettings(options);

    std::unique_ptr<Store> store;
    try {
        store = std::make_unique<Store>(file, Store::Access::reader);
    } catch (const std::exception& failure) {
        throw options.error("cannot read " + path + ": " + failure.what());
    }
    VirtualTime time(static_cast<Date>(*at) / 1000);
    VirtualRuntime runtime(time);
    SimulatedMachine machine(MachineState::withOwnApp(), &time);
    const Workspace& workspace = machine.workspace();
    TimeLoader loader({store.get(), runtime, calendar, nullptr, *settings, workspace});
    loader.load(span);
    time.settle();

    const std::optional<TimeReport>& report = loader.report();
    if (!report) {
        throw options.error("cannot read " + path + ": the report could not be made");
    }
    const auto appName = [&workspace](const std::string& key) {
        const std::optional<Item> item = Item::app(key);
        return item ? ItemDisplay::name(*item, workspace) : key;
    };
    const auto itself = [](const std::string& key) { return key; };
    json::Value result{
        {"big", TimeTexts::bigNumber(report)},
        {"caption", std::string(TimeTexts::caption(span))},
        {"saved", TimeTexts::savedLine(*report)},
        {"chart", chart(span, *report, loader.firstDay(), calendar)},
        {"apps", usageRows(report->apps, TimeTexts::appsShown, appName)},
        {"sites", usageRows(report->sites, TimeTexts::sitesShown, itself)},
        {"classes", usageRows(report->classes, TimeTexts::classesShown, itself)},
        {"lookBack", loader.lookBack() ? json::Value(*loader.lookBack()) : json::Value()},
    };
    std::cout << json::encode(result) << '\n';
    return 0;
}

} // namespace ostrel::dev
