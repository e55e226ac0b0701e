#include "CommandDatabase.hpp"
#include "CommandMachine.hpp"
#include "Commands.hpp"
#include "MachineScript.hpp"
#include "Options.hpp"
#include "app/autopilot/AutopilotController.hpp"
#include "app/autopilot/Banner.hpp"
#include "app/autopilot/BannerSurface.hpp"
#include "app/autopilot/RunLedger.hpp"
#include "app/autopilot/Shortcuts.hpp"
#include "app/signals/Observer.hpp"
#include "core/foundation/EnumText.hpp"
#include "core/foundation/Json.hpp"
#include "core/learning/RoutineName.hpp"
#include "core/routines/PlanningPass.hpp"
#include "platform/Settings.hpp"
#include "platform/sim/MachineState.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"

#include <cmath>
#include <iostream>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace ostrel::dev {
namespace {

// Prints each effect as one JSON line stamped with the virtual moment it happened at.
class EffectPrinter {
public:
    explicit EffectPrinter(const Clock& clock) : clock_(clock) {}

    void print(json::Value effect) const {
        json::Value line{{"at", static_cast<std::int64_t>(clock_.now() * 1000)}};
        line.update(effect);
        std::cout << json::encode(line) << '\n';
    }

private:
    const Clock& clock_;
};

// The banner as a line each time it goes up or comes down; what it showed comes from the
// controller's own trace, which also names its kind.
class PrintedSurface final : public BannerSurface {
public:
    explicit PrintedSurface(const EffectPrinter& printer) : printer_(printer) {}

    void present(const BannerContent&) override {}
    void hide() override { printer_.print({{"effect", "bannerClosed"}}); }

private:
    const EffectPrinter& printer_;
};

void require(bool holds, const std::string& message) {
    if (!holds) {
        throw std::invalid_argument(message);
    }
}

const json::Value* field(const json::Value& line, const char* key) {
    const auto found = line.find(key);
    return found == line.end() || found->is_null() ? nullptr : &*found;
}

// The steps the application itself takes, beside the machine's own.
MachineScript::CallerSteps controllerSteps() {
    return {
        {"trigger",
         [](const json::Value& line) {
             const json::Value* kind = field(line, "kind");
             require(kind != nullptr && kind->is_string() && fromString<Trigger::Kind>(kind->get<std::string>()),
                     "trigger needs \"kind\": wake, unlock, login or event_start");
             const json::Value* ts = field(line, "ts");
             require(ts == nullptr || ts->is_number_integer(), "\"ts\" must be milliseconds since 1970, an integer");
         }},
        {"observation",
         [](const json::Value& line) {
             const json::Value* signal = field(line, "signal");
             require(signal != nullptr && signal->is_string() && !signal->get<std::string>().empty(),
                     "observation needs \"signal\", a signal name");
             require(field(line, "payload") != nullptr, "observation needs \"payload\", its JSON payload");
         }},
        {"press",
         [](const json::Value& line) {
             const json::Value* button = field(line, "button");
             require(button != nullptr && (*button == "primary" || *button == "secondary"),
                     "press needs \"button\": primary or secondary");
         }},
        {"undo", [](const json::Value&) {}},
        {"pause",
         [](const json::Value& line) {
             const json::Value* until = field(line, "until");
             require(until != nullptr && until->is_number_integer(),
                     "pause needs \"until\", milliseconds since 1970, an integer");
         }},
        {"resume", [](const json::Value&) {}},
        {"setUpNow",
         [](const json::Value& line) {
             const json::Value* key = field(line, "key");
             require(key != nullptr && key->is_string(), "setUpNow needs \"key\", a routine's key id");
         }},
        {"jumpClock",
         [](const json::Value& line) {
             const json::Value* seconds = field(line, "seconds");
             require(seconds != nullptr && seconds->is_number() && std::isfinite(seconds->get<double>()),
                     "jumpClock needs \"seconds\", a number (negative sets the clock back)");
         }},
        {"until", [](const json::Value&) {}},
    };
}

// A routine of the store by its key id, as the routines page would offer it now, with the name
// it shows.
std::optional<std::pair<Routine, std::string>> routineOf(Store& store, const std::string& key, std::int64_t now,
                                                         const Calendar& calendar) {
    PlanningPass::Known known = PlanningPass::known(store, now + 1, calendar);
    for (Routine& routine : known.routines) {
        if (routine.key.id() == key) {
            std::string name = RoutineName::name(routine, known.series, calendar);
            return std::pair{std::move(routine), std::move(name)};
        }
    }
    return std::nullopt;
}

} // namespace

// The autopilot and the observer on a simulated machine in virtual time, played by a script: one
// JSON line per effect, in time order.
int autopilotCommand(const Arguments& arguments) {
    const Options options("autopilot", arguments, {"--tz", "--machine", "--script", "--locale", "--config"});
    const std::string& databasePath = options.single("a DB");
    const Calendar calendar = options.calendar("--tz");
    const auto machinePath = options.text("--machine");
    const auto scriptPath = options.text("--script");
    if (!machinePath || !scriptPath) {
        throw options.error("--machine MACHINE and --script FILE are required");
    }
    const std::string locale = options.text("--locale").value_or("en_US");

    MachineState state = readMachineState(options, *machinePath);
    MachineScript script;
    try {
        script = MachineScript::parse(options.readFile(*scriptPath, "script"), controllerSteps());
    } catch (const MachineScript::Error& failure) {
        throw options.error(*scriptPath + " " + failure.what());
    }
    const std::unique_ptr<Settings> settings = commandSettings(options);

    const LogToStderr logToStderr;
    VirtualTime time(script.start());
    VirtualRuntime runtime(time);
    SimulatedMachine machine(std::move(state), &time);
    Platform platform = machine.platform();
    Store store(databasePath);
    SecureRandom random;
    const EffectPrinter printer(time.clock());
    PrintedSurface surface(printer);
    Banner banner(surface, runtime.main());
    RunLedger ledger;
    Shortcuts shortcuts(machine.commands());

    std::unique_ptr<AutopilotController> controller;
    LifetimeGuard guard;
    // The recorder hands new triggers over on the writer's queue; the controller lives on main.
    Observer observer(store, runtime, platform, *settings, random, "", ExclusionList::defaultList(),
                      [&runtime, &guard, &controller, &printer](std::vector<Trigger> triggers) {
                          runtime.main().post(guard.wrap([&controller, &printer, triggers] {
                              json::Value list = json::Value::array();
                              for (const Trigger& trigger : triggers) {
                                  list.push_back({{"kind", toString(trigger.kind)}, {"ts", trigger.ts}});
                              }
                              printer.print({{"effect", "triggers"}, {"triggers", list}});
                              if (controller) {
                                  controller->consider(triggers);
                              }
                          }));
                      });
    // The writer stores on a thread of its own; what it stored is printed after each round of
    // tasks, once the writer has caught up, so the lines come in the same order every run.
    std::mutex recordedLock;
    std::vector<json::Value> recorded;
    observer.writer().watch([&recordedLock, &recorded](const SignalObservation& observation) {
        if (!observation.signal.rawValue.starts_with("quev.") || observation.signal.rawValue == "quev.start") {
            return;
        }
        json::Value payload;
        try {
            payload = json::parse(observation.payload);
        } catch (const json::DecodingError&) {
            payload = observation.payload;
        }
        std::lock_guard guard(recordedLock);
        recorded.push_back({{"effect", "recorded"}, {"signal", observation.signal.rawValue}, {"payload", payload}});
    });
    time.addFlusher([&observer, &recordedLock, &recorded, &printer] {
        observer.writer().flush();
        std::vector<json::Value> ready;
        {
            std::lock_guard guard(recordedLock);
            ready.swap(recorded);
        }
        for (json::Value& line : ready) {
            printer.print(std::move(line));
        }
    });
    controller = std::make_unique<AutopilotController>(AutopilotController::Services{
        store, observer.writer(), runtime, *settings, platform, banner, ledger, shortcuts, random, calendar, locale});
    controller->setTrace([&printer](const json::Value& effect) { printer.print(effect); });
    observer.start();
    time.settle();

    for (const auto& step : script.steps()) {
        time.advanceTo(static_cast<Date>(step.at) / 1000.0);
        const json::Value& f = step.fields;
        try {
            script.play(step, machine);
        } catch (const MachineScript::Error& failure) {
            throw options.error(*scriptPath + " " + failure.what());
        }
        if (step.name == "trigger") {
            const Trigger trigger{field(f, "ts") ? f.at("ts").get<std::int64_t>() : step.at,
                                  *fromString<Trigger::Kind>(f.at("kind").get<std::string>())};
            store.insert(std::vector<Trigger>{trigger});
            controller->consider({trigger});
        } else if (step.name == "observation") {
            observer.writer().write(
                SignalObservation(step.at, Signal(f.at("signal").get<std::string>()), json::encode(f.at("payload"))));
        } else if (step.name == "press") {
            banner.press(f.at("button") == "primary" ? Banner::Which::primary : Banner::Which::secondary);
        } else if (step.name == "undo") {
            controller->undoLastRun();
        } else if (step.name == "pause") {
            controller->setPausedUntil(static_cast<Date>(f.at("until").get<std::int64_t>()) / 1000.0);
        } else if (step.name == "resume") {
            controller->setPausedUntil(std::nullopt);
        } else if (step.name == "setUpNow") {
            const std::string key = f.at("key").get<std::string>();
            const auto routine = routineOf(store, key, step.at, calendar);
            if (!routine) {
                throw options.error(*scriptPath + " line " + std::to_string(step.line) + ": no routine with key \"" +
                                    key + "\"");
            }
            controller->setUpNow(routine->first, routine->second);
        } else if (step.name == "jumpClock") {
            time.setWall(time.clock().now() + f.at("seconds").get<double>());
        }
        time.settle();
    }
    time.settle();
    observer.writer().flush();
    controller.reset();
    return 0;
}

} // namespace ostrel::dev
