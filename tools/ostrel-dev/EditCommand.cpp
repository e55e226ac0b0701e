#include "CommandDatabase.hpp"
#include "CommandMachine.hpp"
#include "Commands.hpp"
#include "Options.hpp"
#include "app/autopilot/AutopilotController.hpp"
#include "app/autopilot/Banner.hpp"
#include "app/autopilot/BannerSurface.hpp"
#include "app/autopilot/RunLedger.hpp"
#include "app/autopilot/Shortcuts.hpp"
#include "app/editor/AlsoEdits.hpp"
#include "app/editor/EditorController.hpp"
#include "app/editor/OpenNow.hpp"
#include "app/editor/OpensEdits.hpp"
#include "app/editor/RoutineDraft.hpp"
#include "app/editor/TimeChoice.hpp"
#include "app/signals/Observer.hpp"
#include "core/foundation/EnumText.hpp"
#include "core/foundation/Json.hpp"
#include "core/routines/PlanningPass.hpp"
#include "core/store/Store.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <iostream>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace ostrel::dev {
namespace {

void print(const json::Value& line) {
    std::cout << json::encode(line) << '\n';
}

// The banner of "Try it now" is the autopilot's business; its trace already says what ran.
class SilentSurface final : public BannerSurface {
public:
    void present(const BannerContent&) override {}
    void hide() override {}
};

// A mistake of the script found while it plays (a control the window does not show): the line's
// number and what is wrong.
class StepError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The editor window as the script drives it: the draft, its controller and the time popover,
// printing what the student would notice.
class Window {
public:
    Window(std::unique_ptr<RoutineDraft> draft, Store& store, AutopilotController& autopilot, const Clock& clock,
           SimulatedMachine& machine)
        : draft_(std::move(draft)), store_(store), autopilot_(autopilot), machine_(machine),
          controller_(*draft_, {&store, &autopilot, clock,
                                [this] {
                                    tellWrite();
                                    print({{"effect", "notification"}, {"name", "quevRoutinesChanged"}});
                                },
                                [] { print({{"effect", "beep"}}); },
                                [this] {
                                    closed_ = true;
                                    print({{"effect", "closed"}});
                                }}) {
        autopilot_.setTrace([this](const json::Value& effect) {
            const std::string name = effect.at("effect").get<std::string>();
            if (name == "promote" || name == "schedule") {
                tellWrite();
                print(effect);
            } else if (name == "run") {
                print(effect);
            }
        });
    }
    ~Window() { autopilot_.setTrace({}); }

    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    RoutineDraft& draft() { return *draft_; }
    EditorController& controller() { return controller_; }
    SimulatedMachine& machine() { return machine_; }
    bool closed() const { return closed_; }

    // Before each step: a time or day step on the cue the popover is open on keeps it open; any
    // other step closes it.
    void beginStep(std::optional<std::ptrdiff_t> popoverCue) {
        told_ = false;
        if (!popoverCue || !popover_ || popover_->first != *popoverCue) {
            popover_.reset();
        }
    }

    // The time picker of the cue at index, opened on it unless it is open already.
    TimeChoice& timeChoice(std::ptrdiff_t index) {
        if (!popover_) {
            const auto& cues = draft_->edits().cues;
            const Cue::Time* time = index >= 0 && index < static_cast<std::ptrdiff_t>(cues.size())
                                        ? std::get_if<Cue::Time>(&cues[static_cast<std::size_t>(index)].value)
                                        : nullptr;
            if (time == nullptr) {
                throw StepError("no time cue at " + std::to_string(index));
            }
            popover_.emplace(index, TimeChoice(*time));
        }
        return popover_->second;
    }

private:
    // Promoting, rescheduling and the notification follow only a write that succeeded; the first
    // of them tells what it left in the store: the row, or none (a made routine deleted, a learned
    // one put back as it was learned).
    void tellWrite() {
        if (told_) {
            return;
        }
        told_ = true;
        const auto rows = store_.routineEdits();
        print({{"effect", rows.find(draft_->id()) != rows.end() ? "stored" : "deleted"}, {"id", draft_->id()}});
    }

    std::unique_ptr<RoutineDraft> draft_;
    Store& store_;
    AutopilotController& autopilot_;
    SimulatedMachine& machine_;
    EditorController controller_;
    std::optional<std::pair<std::ptrdiff_t, TimeChoice>> popover_;
    bool told_ = false;
    bool closed_ = false;
};

// One line of the script, read: what it does to the window, and the cue whose time popover it
// keeps open (time and day steps only).
struct Step {
    explicit Step(std::function<void(Window&)> play, std::optional<std::ptrdiff_t> popoverCue = std::nullopt)
        : play(std::move(play)), popoverCue(popoverCue) {}

    int line = 0;
    std::function<void(Window&)> play;
    std::optional<std::ptrdiff_t> popoverCue;
};

std::string text(const json::Value& value, const char* what) {
    if (!value.is_string()) {
        throw std::invalid_argument(std::string(what) + " must be text");
    }
    return value.get<std::string>();
}

std::string appID(const json::Value& value, const char* step) {
    const std::string id = text(value, step);
    if (id.empty()) {
        throw std::invalid_argument(std::string(step) + " needs an app id");
    }
    return id;
}

Item appItem(const json::Value& value, const char* step) {
    const auto item = Item::app(appID(value, step));
    if (!item) {
        throw std::invalid_argument(std::string(step) + " needs an app id");
    }
    return *item;
}

bool yes(const json::Value& value, const char* step) {
    if (!value.is_boolean()) {
        throw std::invalid_argument(std::string(step) + " takes true or false");
    }
    return value.get<bool>();
}

void onlyTrue(const json::Value& value, const char* step) {
    if (value != true) {
        throw std::invalid_argument(std::string(step) + " takes true (a click)");
    }
}

std::int64_t integer(const json::Value& object, const char* key, std::int64_t min, std::int64_t max) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_number_integer()) {
        throw std::invalid_argument(std::string("\"") + key + "\" must be an integer");
    }
    const std::int64_t value = found->get<std::int64_t>();
    if (value < min || value > max) {
        throw std::invalid_argument(std::string("\"") + key + "\" must be from " + std::to_string(min) + " to " +
                                    std::to_string(max));
    }
    return value;
}

std::ptrdiff_t cueIndex(const json::Value& value) {
    if (!value.is_number_integer()) {
        throw std::invalid_argument("a cue's index must be an integer");
    }
    return static_cast<std::ptrdiff_t>(value.get<std::int64_t>());
}

std::ptrdiff_t checkedIndex(Window& window, std::ptrdiff_t index) {
    if (index < 0 || index >= static_cast<std::ptrdiff_t>(window.draft().edits().cues.size())) {
        throw StepError("no cue at " + std::to_string(index));
    }
    return index;
}

// Placements and the "Don't open it" menu hang on a pill: the app must be one the routine opens.
void requireOpened(Window& window, const Item& item) {
    const auto items = window.draft().items();
    if (std::find(items.begin(), items.end(), item) == items.end()) {
        throw StepError("the routine does not open " + item.id());
    }
}

std::optional<RoutineEdits::Mode> tidyUp(const json::Value& value) {
    const std::string given = value.is_string() ? value.get<std::string>() : std::string();
    if (given == "automatic") return RoutineEdits::Mode::automatic;
    if (given == "off") return RoutineEdits::Mode::off;
    if (given == "none") return std::nullopt;
    throw std::invalid_argument("tidyUp takes \"automatic\", \"off\" or \"none\"");
}

std::optional<RoutineEdits::Placement> placementTo(const json::Value& value) {
    const std::string given = value.is_string() ? value.get<std::string>() : std::string();
    if (given == "left") return RoutineEdits::Placement::left();
    if (given == "right") return RoutineEdits::Placement::right();
    if (given == "full") return RoutineEdits::Placement::full();
    if (given == "none") return std::nullopt;
    throw std::invalid_argument("placement \"to\" takes \"left\", \"right\", \"full\" or \"none\"");
}

using Reader = std::function<Step(const json::Value& value)>;

// Each step by the name of its one member; a reader checks the value and gives what to play.
const std::map<std::string, Reader>& readers() {
    static const std::map<std::string, Reader> table = {
        {"name",
         [](const json::Value& v) {
             return Step{[name = text(v, "name")](Window& w) { w.draft().setName(name); }};
         }},
        {"add",
         [](const json::Value& v) {
             return Step{[item = Item::fromJSON(v)](Window& w) { w.draft().add(item); }};
         }},
        {"remove",
         [](const json::Value& v) {
             return Step{[item = Item::fromJSON(v)](Window& w) {
                             requireOpened(w, item);
                             w.draft().remove(item);
                         }};
         }},
        {"addCue",
         [](const json::Value& v) {
             return Step{[cue = Cue::fromJSON(v)](Window& w) { w.draft().add(cue); }};
         }},
        {"removeCue",
         [](const json::Value& v) {
             return Step{[index = cueIndex(v)](Window& w) { w.draft().removeCue(checkedIndex(w, index)); }};
         }},
        {"time",
         [](const json::Value& v) {
             if (!v.is_object()) throw std::invalid_argument("time takes {\"cue\", \"hour\", \"minute\"}");
             const std::ptrdiff_t index = cueIndex(v.contains("cue") ? v.at("cue") : json::Value());
             const int hour = static_cast<int>(integer(v, "hour", 0, 23));
             const int minute = static_cast<int>(integer(v, "minute", 0, 59));
             return Step{
                         [=](Window& w) {
                             const Cue::Time time = w.timeChoice(index).setTime(hour, minute);
                             w.draft().replaceCue(index, Cue{time});
                         },
                         index};
         }},
        {"day",
         [](const json::Value& v) {
             if (!v.is_object()) throw std::invalid_argument("day takes {\"cue\", \"day\"}");
             const std::ptrdiff_t index = cueIndex(v.contains("cue") ? v.at("cue") : json::Value());
             const std::int64_t day = integer(v, "day", 1, 7);
             return Step{
                         [=](Window& w) {
                             const Cue::Time time = w.timeChoice(index).toggle(day);
                             w.draft().replaceCue(index, Cue{time});
                         },
                         index};
         }},
        {"placement",
         [](const json::Value& v) {
             if (!v.is_object() || !v.contains("app") || !v.contains("to")) {
                 throw std::invalid_argument("placement takes {\"app\", \"to\"}");
             }
             const Item app = appItem(v.at("app"), "placement's \"app\"");
             return Step{[app, to = placementTo(v.at("to"))](Window& w) {
                             requireOpened(w, app);
                             OpensEdits::setPlacement(w.draft(), std::get<Item::App>(app.value()).bundleID, to);
                         }};
         }},
        {"whereItIsNow",
         [](const json::Value& v) {
             return Step{[item = appItem(v, "whereItIsNow")](Window& w) {
                             requireOpened(w, item);
                             const std::string& app = std::get<Item::App>(item.value()).bundleID;
                             SimulatedMachine& machine = w.machine();
                             const auto now = OpenNow::placement(app, machine.workspace(), machine.accessibility());
                             if (!now) {
                                 print({{"effect", "beep"}});
                                 return;
                             }
                             OpensEdits::setPlacement(w.draft(), app, now);
                         }};
         }},
        {"everythingOpenNow",
         [](const json::Value& v) {
             onlyTrue(v, "everythingOpenNow");
             return Step{[](Window& w) {
                             SimulatedMachine& machine = w.machine();
                             OpensEdits::mergeOpenNow(w.draft(),
                                                      OpenNow::edits(machine.workspace(), machine.accessibility()));
                         }};
         }},
        {"page",
         [](const json::Value& v) {
             return Step{[typed = text(v, "page")](Window& w) {
                             if (OpensEdits::addPage(w.draft(), typed) == OpensEdits::PageOutcome::refused) {
                                 print({{"effect", "beep"}});
                             }
                         }};
         }},
        {"putAway",
         [](const json::Value& v) {
             return Step{[app = appID(v, "putAway")](Window& w) { AlsoEdits::putAway(w.draft(), app); }};
         }},
        {"keepOut",
         [](const json::Value& v) {
             return Step{[app = appID(v, "keepOut")](Window& w) {
                             const auto& away = w.draft().edits().putAway;
                             if (std::find(away.begin(), away.end(), app) == away.end()) {
                                 throw StepError("the routine puts no " + app + " away");
                             }
                             AlsoEdits::keepOut(w.draft(), app);
                         }};
         }},
        {"mute",
         [](const json::Value& v) {
             return Step{[on = yes(v, "mute")](Window& w) {
                             w.draft().change([on](RoutineEdits& edits) { edits.mute = on; });
                         }};
         }},
        {"pickUp",
         [](const json::Value& v) {
             return Step{[on = yes(v, "pickUp")](Window& w) {
                             w.draft().change([on](RoutineEdits& edits) { edits.pickUp = on; });
                         }};
         }},
        {"learnedWhen",
         [](const json::Value& v) {
             return Step{[on = yes(v, "learnedWhen")](Window& w) {
                             w.draft().change([on](RoutineEdits& edits) { edits.learnedWhen = on; });
                         }};
         }},
        {"tidyUp",
         [](const json::Value& v) {
             return Step{[mode = tidyUp(v)](Window& w) {
                             w.draft().change([mode](RoutineEdits& edits) { edits.tidyUp = mode; });
                         }};
         }},
        {"shortcut",
         [](const json::Value& v) {
             std::optional<std::string> name;
             if (!v.is_null()) {
                 name = text(v, "shortcut");
             }
             return Step{[name](Window& w) {
                             w.draft().change([&name](RoutineEdits& edits) { edits.shortcut = name; });
                         }};
         }},
        {"mode",
         [](const json::Value& v) {
             const auto mode = v.is_string() ? fromString<RoutineEdits::Mode>(v.get<std::string>()) : std::nullopt;
             if (!mode) throw std::invalid_argument("mode takes \"automatic\", \"ask\" or \"off\"");
             return Step{[mode = *mode](Window& w) { AlsoEdits::chooseMode(w.draft(), mode); }};
         }},
        {"save",
         [](const json::Value& v) {
             onlyTrue(v, "save");
             return Step{[](Window& w) { w.controller().save(); }};
         }},
        {"delete",
         [](const json::Value& v) {
             onlyTrue(v, "delete");
             return Step{[](Window& w) {
                             if (!w.controller().canDelete()) {
                                 throw StepError("a routine being made has no Delete");
                             }
                             w.controller().deleteClicked();
                         }};
         }},
        {"try",
         [](const json::Value& v) {
             onlyTrue(v, "try");
             return Step{[](Window& w) { w.controller().tryIt(); }};
         }},
    };
    return table;
}

// The whole script, read and checked before the window opens: one JSON object of one member a
// line, blank lines skipped.
std::vector<Step> readScript(const Options& options, const std::string& path) {
    std::istringstream lines(options.readFile(path, "script"));
    std::vector<Step> steps;
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (line.find_first_not_of(" \t\r") == std::string::npos) {
            continue;
        }
        const auto bad = [&](const std::string& message) {
            return options.error(path + " line " + std::to_string(number) + ": " + message);
        };
        json::Value value;
        try {
            value = json::parse(line);
        } catch (const json::DecodingError& failure) {
            throw bad(failure.what());
        }
        if (!value.is_object() || value.size() != 1) {
            throw bad("a step is a JSON object of one member, named after the step");
        }
        const std::string name = value.begin().key();
        const auto reader = readers().find(name);
        if (reader == readers().end()) {
            throw bad("unknown step \"" + name + "\"");
        }
        try {
            Step step = reader->second(value.begin().value());
            step.line = number;
            steps.push_back(std::move(step));
        } catch (const std::exception& failure) {
            throw bad(name + ": " + failure.what());
        }
    }
    return steps;
}

// The routine the routine book shows under id, with its name.
std::optional<Routine> bookRoutine(Store& store, const std::string& id, std::int64_t now, const Calendar& calendar) {
    PlanningPass::Known known =
        PlanningPass::known(store, now == std::numeric_limits<std::int64_t>::max() ? now : now + 1, calendar);
    for (Routine& routine : known.routines) {
        if (routine.key.id() == id) {
            return std::move(routine);
        }
    }
    return std::nullopt;
}

} // namespace

// The routine editor played by a script (steps: README) on a simulated machine in virtual time: the real draft and
// footer over the store and the autopilot; the edits after each step and what the student would
// notice, one JSON line each.
int editCommand(const Arguments& arguments) {
    const Options options("edit", arguments, {"--tz", "--routine", "--script", "--machine", "--config", "--at"});
    const std::string& databasePath = options.single("a DB");
    const Calendar calendar = options.calendar("--tz");
    const auto routineID = options.text("--routine");
    const auto scriptPath = options.text("--script");
    if (!routineID || !scriptPath) {
        throw options.error("--routine ID|new and --script FILE are required");
    }
    const std::int64_t at = options.moment("--at", calendar).value_or(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count());
    const auto machinePath = options.text("--machine");
    MachineState state = machinePath ? readMachineState(options, *machinePath) : MachineState::withOwnApp();
    const std::vector<Step> steps = readScript(options, *scriptPath);
    const std::unique_ptr<Settings> settings = commandSettings(options);

    const LogToStderr logToStderr(LogLevel::notice);
    VirtualTime time(static_cast<Date>(at) / 1000.0);
    VirtualRuntime runtime(time);
    SimulatedMachine machine(std::move(state), &time);
    Platform platform = machine.platform();
    Store store(databasePath);
    SecureRandom random;
    SilentSurface surface;
    Banner banner(surface, runtime.main());
    RunLedger ledger;
    Shortcuts shortcuts(machine.commands());
    // Built for its writer (what "Try it now" records) and its network names; never started, so it
    // records nothing of its own.
    Observer observer(store, runtime, platform, *settings, random, "", ExclusionList::defaultList(),
                      [](const std::vector<Trigger>&) {});
    time.addFlusher([&observer] { observer.writer().flush(); });
    AutopilotController autopilot(AutopilotController::Services{store, observer.writer(), runtime, *settings,
                                                                platform, banner, ledger, shortcuts, random,
                                                                calendar, "en_US"});

    std::unique_ptr<RoutineDraft> draft;
    try {
        if (*routineID == "new") {
            draft = std::make_unique<RoutineDraft>(store.calendarSeries(), RoutineEdits{}, calendar, time.clock(),
                                                   random);
        } else {
            const auto routine = bookRoutine(store, *routineID, at, calendar);
            if (!routine) {
                throw options.error("the routine book shows no routine \"" + *routineID + "\"");
            }
            draft = std::make_unique<RoutineDraft>(
                *routine, store.calendarSeries(), false, calendar, *settings,
                [&observer](const std::string& hash) { return observer.place().nameOfNetwork(hash); });
        }
    } catch (const CommandError&) {
        throw;
    } catch (const std::exception& failure) {
        throw options.error("cannot read " + databasePath + ": " + failure.what());
    }
    time.settle();

    Window window(std::move(draft), store, autopilot, time.clock(), machine);
    for (const Step& step : steps) {
        try {
            if (window.closed()) {
                throw StepError("the window is closed");
            }
            window.beginStep(step.popoverCue);
            step.play(window);
        } catch (const StepError& failure) {
            std::cout.flush();
            throw options.error(*scriptPath + " line " + std::to_string(step.line) + ": " + failure.what());
        }
        time.settle();
        print({{"step", step.line}, {"edits", window.draft().edits().toJSON()}});
    }
    time.settle();
    observer.writer().flush();
    return 0;
}

} // namespace ostrel::dev
