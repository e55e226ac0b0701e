#include "CommandDatabase.hpp"
#include "CommandMachine.hpp"
#include "Commands.hpp"
#include "Options.hpp"
#include "ScratchFolder.hpp"
#include "app/autopilot/BannerSurface.hpp"
#include "app/onboarding/Onboarding.hpp"
#include "app/shell/AppModel.hpp"
#include "app/shell/RecordedWindows.hpp"
#include "core/foundation/Json.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"

#include <filesystem>
#include <iostream>
#include <memory>

namespace ostrel::dev {

namespace {

class QuietSurface final : public BannerSurface {
public:
    void present(const BannerContent&) override {}
    void hide() override {}
};

json::Value optionalText(const std::optional<std::string>& text) {
    return text ? json::Value(*text) : json::Value(nullptr);
}

std::string_view accessText(CalendarAccess access) {
    switch (access) {
    case CalendarAccess::notDetermined:
        return "notDetermined";
    case CalendarAccess::restricted:
        return "restricted";
    case CalendarAccess::denied:
        return "denied";
    case CalendarAccess::fullAccess:
        return "fullAccess";
    case CalendarAccess::writeOnly:
        return "writeOnly";
    }
    return "notDetermined";
}

json::Value modelJSON(AppModel& model, const RecordedWindows& windows) {
    json::Value nextUp = nullptr;
    if (const auto& next = model.nextUp()) {
        nextUp = {{"title", next->event.title}, {"start", next->event.start}, {"when", next->when}, {"plan", next->plan}};
    }
    Onboarding& onboarding = model.onboarding();
    json::Value browser = nullptr;
    if (const auto& found = onboarding.defaultBrowser()) {
        browser = {{"appID", found->appID}, {"name", found->name}};
    }
    json::Value signals = json::Value::object();
    for (const auto& [name, on] : model.signals()) {
        signals[name] = on;
    }
    return {
        {"storeError", optionalText(model.storeError())},
        {"observationsToday", model.observationsToday()},
        {"calendarStatus", accessText(model.calendarStatus())},
        {"calendarSeries", model.calendarSeries()},
        {"googleConnected", model.googleConnected()},
        {"googleConnecting", model.googleConnecting()},
        {"googleError", optionalText(model.googleError())},
        {"calendarSource", toString(model.calendarSource())},
        {"calendarReadable", model.calendarReadable()},
        {"nextUp", nextUp},
        {"watchingWindows", model.watchingWindows()},
        {"locationAuthorized", model.locationAuthorized()},
        {"locationUndetermined", model.locationUndetermined()},
        {"followedBrowsers", model.followedBrowsers()},
        {"unfollowedBrowsers", model.unfollowedBrowsers()},
        {"setupRemaining", model.setupRemaining()},
        {"launchAtLogin",
         {{"status", toString(model.launchAtLogin().status())}, {"lastError", optionalText(model.launchAtLogin().lastError())}}},
        {"signals", signals},
        {"onboarding", {{"step", toString(onboarding.step())}, {"defaultBrowser", browser}}},
        {"built",
         {{"observer", model.writer() != nullptr},
          {"autopilot", model.autopilot() != nullptr},
          {"talk", model.talk() != nullptr},
          {"nuvo", model.nuvo() != nullptr},
          {"unlocks", model.watchingUnlocks()}}},
        {"windows", windows.calls()},
    };
}

} // namespace

// The app model on a simulated machine with a data folder of its own, started, settled and
// refreshed, as one JSON object.
int appModelCommand(const Arguments& arguments) {
    const Options options("app-model", arguments, {"--machine", "--tz", "--at", "--config"});
    if (!options.positional().empty()) {
        throw options.error("takes no positional argument");
    }
    const auto machinePath = options.text("--machine");
    if (!machinePath) {
        throw options.error("--machine MACHINE is required");
    }
    const Calendar calendar = options.text("--tz") ? options.calendar("--tz") : Calendar("UTC", "en_US");
    const std::int64_t at = options.moment("--at", calendar).value_or(1'757'916'000'000);
    MachineState state = readMachineState(options, *machinePath);
    const std::unique_ptr<Settings> settings = commandSettings(options);

    const LogToStderr logToStderr;
    const ScratchFolder data(std::filesystem::temp_directory_path(), "ostrel-app-model-");
    VirtualTime time(static_cast<Date>(at) / 1000.0);
    VirtualRuntime runtime(time);
    SimulatedMachine machine(std::move(state), &time);
    Platform platform = machine.platform();
    SecureRandom random;
    QuietSurface surface;
    RecordedWindows windows;
    std::unique_ptr<AppModel> model;
    time.addFlusher([&model] {
        if (model && model->writer() != nullptr) {
            model->writer()->flush();
        }
    });
    model = std::make_unique<AppModel>(AppModel::Services{runtime, platform, machine.loginItems(), machine.commands(),
                                                          *settings, random, surface, windows, calendar, "en_US",
                                                          data.path() / "Quev" / "quev.sqlite", "dev"});
    time.settle();
    model->refresh();
    std::cout << json::encode(modelJSON(*model, windows)) << '\n';
    model.reset();
    time.settle();
    return 0;
}

} // namespace ostrel::dev
