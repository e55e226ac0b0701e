#include "semester/Simulation.hpp"

#include "app/shell/AppModel.hpp"
#include "app/shell/RecordedWindows.hpp"
#include "core/learning/RoutineName.hpp"
#include "core/learning/RunPayload.hpp"
#include "core/routines/PlanningPass.hpp"
#include "core/store/Store.hpp"
#include "platform/Settings.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "core/episodes/Item.hpp"
#include "core/learning/ContextKey.hpp"
#include "core/observations/WiFiPayload.hpp"
#include "core/routines/Cue.hpp"
#include "core/routines/RoutineEdits.hpp"
#include "platform/SettingsKeys.hpp"
#include "semester/MachineMac.hpp"
#include "semester/TimedRuntime.hpp"
#include "semester/TracedMac.hpp"
#include "semester/SimulatedMac.hpp"

#include <chrono>
#include <limits>
#include <map>

namespace ostrel::semester {

namespace {

constexpr double settleAfterLastDay = 3'600; // seconds at most, for the last banner to go

// What the autopilot did, counted from its effects as they happen.
struct Counts {
    std::int64_t asks = 0;
    std::int64_t yeses = 0;
    std::int64_t noes = 0;
    std::int64_t expired = 0;
    std::int64_t automaticRuns = 0;
    std::int64_t askedRuns = 0;
    std::int64_t undos = 0;
    std::int64_t tidyUps = 0;
    std::int64_t saveOffers = 0;
    std::int64_t cueRuns = 0;
    std::optional<std::string> cueRoutine; // a cue chose this routine to run; its run comes next

    void count(const json::Value& effect) {
        const std::string name = effect.value("effect", "");
        if (name == "banner") {
            const std::string kind = effect.value("kind", "");
            asks += kind == "ask" ? 1 : 0;
            saveOffers += kind == "saveOffer" ? 1 : 0;
        } else if (name == "answer") {
            const std::string answer = effect.value("answer", "");
            yeses += answer == "yes" ? 1 : 0;
            noes += answer == "no" ? 1 : 0;
            expired += answer == "expired" ? 1 : 0;
        } else if (name == "run") {
            (effect.value("automatic", false) ? automaticRuns : askedRuns) += 1;
            if (cueRoutine && effect.value("routine", "") == *cueRoutine) {
                ++cueRuns;
            }
            cueRoutine.reset();
        } else if (name == "cue") {
            cueRoutine.reset();
            if (effect.value("action", json::Value()) == "run" && effect.contains("routine")) {
                cueRoutine = effect.at("routine").get<std::string>();
            }
        } else if (name == "undo") {
            ++undos;
        } else if (name == "tidy") {
            ++tidyUps;
        }
    }
};

} // namespace

struct Simulation::State {
    State(SimulationOptions given, Trace givenTrace)
        : options(std::move(given)),
          trace(std::move(givenTrace)),
          calendar(options.semester.zone, "en_US"),
          plan(options.semester),
          time(static_cast<Date>(plan.from()) / 1000.0),
          machine(MachineState::withOwnApp(), &time),
          mac(machine, time, plan.calendar(), plan.courses(), Random::mix(options.semester.seed, 0x4d4143)),
          traced(mac, trace),
          generator(options.semester, traced),
          random(Random::mix(options.semester.seed, 0x5e1f)) {}

    SimulationOptions options;
    Trace trace;
    Calendar calendar;
    SemesterGenerator plan; // the timetable and courses the machine is set up with
    VirtualTime time;
    VirtualRuntime virtualRuntime{time};
    TimedRuntime runtime{virtualRuntime}; // planning passes run on its worker
    SimulatedMachine machine;
    MachineMac mac;
    TracedMac traced; // mac, with the student's actions told to the trace
    SemesterGenerator generator; // the student, acting through traced
    Platform platform{machine.platform()};
    Settings settings{Settings::inMemory};
    SecureRandom random;
    RecordedWindows windows;
    Counts counts;
    std::unique_ptr<StudentSurface> surface;
    std::unique_ptr<AppModel> model;
};

namespace {

Item made(std::optional<Item> item) {
    if (!item) {
        throw std::logic_error("a made routine's item does not make an item");
    }
    return *item;
}

// A routine the student made in the editor: what it opens and what starts it.
void saveOwn(Simulation::State& s, const std::string& id, const std::string& name, std::vector<Item> items, Cue cue) {
    RoutineEdits edits;
    edits.name = name;
    edits.added = std::move(items);
    edits.cues = {std::move(cue)};
    edits.created = truncatedMilliseconds(s.time.clock().now()).value_or(0);
    s.model->store()->save(edits, ContextKey::made(id).id(), s.time.clock().now());
}

} // namespace

// The student's own routines, made on the first day as the routine editor stores them: a weekday
// morning time, the library's Wi-Fi, the external display, headphones and an app launch.
void Simulation::makeOwnRoutines(State& s) {
    const std::string& browser = SimulatedMac::browser();
    std::string network;
    if (const auto salt = s.settings.data(settingsKeys::networkSalt)) {
        network = WiFiPayload::make(MachineMac::network(Place::library).value_or("Library"), *salt).network.value_or("");
    }
    saveOwn(s, "morning", "Morning check", {made(Item::app("com.apple.mail")), made(Item::app("com.apple.iCal"))},
            Cue{Cue::Time{{2, 3, 4, 5, 6}, 8 * 60 + 30}});
    saveOwn(s, "library", "Library focus", {made(Item::app(browser)), made(Item::page("https://library.example.edu/"))},
            Cue{Cue::WiFi{network, "Library"}});
    saveOwn(s, "desk", "Desk setup", {made(Item::app("com.microsoft.VSCode"))},
            Cue{Cue::Display{MachineMac::externalDisplayUUID, "DELL U2720Q"}});
    saveOwn(s, "music", "Music", {made(Item::app("com.spotify.client"))},
            Cue{Cue::AudioDevice{MachineMac::headphonesID, "Headphones"}});
    saveOwn(s, "terminal", "Coding", {made(Item::app("com.apple.Terminal")), made(Item::page("https://git.example.edu/"))},
            Cue{Cue::App{"com.microsoft.VSCode"}});
    s.model->autopilot()->scheduleTimeCues();
}

// From the second week: the two best-known course routines get their windows laid out side by
// side, the sound muted and their tidy-up done without asking.
void Simulation::editLearnedRoutines(State& s) {
    Store& store = *s.model->store();
    const std::int64_t now = truncatedMilliseconds(s.time.clock().now()).value_or(0);
    PlanningPass::Known known = PlanningPass::known(store, now, s.calendar);
    std::vector<Routine> courses;
    for (Routine& routine : known.routines) {
        if (std::holds_alternative<ContextKey::Event>(routine.key.value) && !routine.items.empty()) {
            courses.push_back(std::move(routine));
        }
    }
    std::stable_sort(courses.begin(), courses.end(),
                     [](const Routine& a, const Routine& b) { return a.support > b.support; });
    for (std::size_t i = 0; i < courses.size() && i < 2; ++i) {
        RoutineEdits edits = courses[i].edits;
        std::vector<std::string> apps;
        for (const Item& item : courses[i].items) {
            if (const auto* app = std::get_if<Item::App>(&item.value()); app != nullptr && apps.size() < 2) {
                apps.push_back(app->bundleID);
            }
        }
        if (!apps.empty()) {
            edits.layout[apps[0]] = RoutineEdits::Placement::left();
        }
        if (apps.size() > 1) {
            edits.layout[apps[1]] = RoutineEdits::Placement::right();
        }
        edits.mute = true;
        edits.tidyUp = RoutineEdits::Mode::automatic;
        store.save(edits, courses[i].key.id(), s.time.clock().now());
        if (s.trace) {
            s.trace({{"effect", "student"}, {"action", "editRoutine"}, {"routine", courses[i].key.id()},
                     {"at", now}});
        }
    }
}

namespace {

json::Value optionalNumber(const std::optional<std::int64_t>& number) {
    return number ? json::Value(*number) : json::Value(nullptr);
}

} // namespace

// One summary line, then one line per routine the planning pass knows on the final store.
std::vector<json::Value> Simulation::report(State& s, int days) {
    Store& store = *s.model->store();
    s.model->writer()->flush();
    const std::int64_t from = s.generator.from();
    const std::int64_t now = truncatedMilliseconds(s.time.clock().now()).value_or(0);

    json::Value triggers = json::Value::object();
    for (const Trigger& trigger : store.triggers(std::numeric_limits<std::int64_t>::min(), now + 1)) {
        const std::string kind(toString(trigger.kind));
        triggers[kind] = triggers.value(kind, 0) + 1;
    }
    const Counts& c = s.counts;
    std::vector<json::Value> lines;
    lines.push_back({{"report", "summary"},
                     {"days", days},
                     {"observations", store.observationCount(std::numeric_limits<std::int64_t>::min())},
                     {"triggers", triggers},
                     {"asks", c.asks},
                     {"yeses", c.yeses},
                     {"noes", c.noes},
                     {"expired", c.expired},
                     {"runs", c.automaticRuns + c.askedRuns},
                     {"automaticRuns", c.automaticRuns},
                     {"askedRuns", c.askedRuns},
                     {"undos", c.undos},
                     {"tidyUps", c.tidyUps},
                     {"saveOffers", c.saveOffers},
                     {"cueRuns", c.cueRuns}});

    // Runs by routine, and the day of each routine's first automatic run (day 1 is the first).
    std::map<std::string, std::int64_t> runs;
    std::map<std::string, std::int64_t> firstAutomatic;
    for (const SignalObservation& row : store.observations(from, now + 1, std::set<Signal>{Signal::quevRun})) {
        try {
            const RunPayload run = RunPayload::fromJSON(json::parse(row.payload));
            ++runs[run.routine];
            if (run.automatic && !firstAutomatic.contains(run.routine)) {
                firstAutomatic[run.routine] =
                    s.calendar.dayDifference(static_cast<Date>(from) / 1000.0, static_cast<Date>(row.ts) / 1000.0) + 1;
            }
        } catch (const std::exception&) {
            // Not a run this application wrote: not counted.
        }
    }
    const PlanningPass::Known known = PlanningPass::known(store, now + 1, s.calendar);
    const Answers answers = PlanningPass::answers(store, now + 1);
    for (const Routine& routine : known.routines) {
        const std::string id = routine.key.id();
        const Answers::Record record = answers[id];
        const auto first = firstAutomatic.find(id);
        lines.push_back({{"report", "routine"},
                         {"routine", id},
                         {"name", RoutineName::name(routine, known.series, s.calendar)},
                         {"support", routine.support},
                         {"confidence", routine.confidence},
                         {"trust", toString(routine.trust)},
                         {"answers", {{"yeses", record.yeses}, {"noes", record.noes}, {"asked", record.asked}}},
                         {"runs", runs.contains(id) ? runs.at(id) : 0},
                         {"firstAutomaticDay",
                          optionalNumber(first == firstAutomatic.end() ? std::nullopt
                                                                        : std::optional<std::int64_t>(first->second))}});
    }
    return lines;
}

Simulation::Simulation(SimulationOptions options, Trace trace)
    : state_(std::make_unique<State>(std::move(options), std::move(trace))) {}

Simulation::~Simulation() {
    if (state_->model) {
        state_->model.reset();
        state_->time.settle();
    }
}

const Simulation::Stats& Simulation::stats() const {
    return stats_;
}

std::vector<json::Value> Simulation::run() {
    State& s = *state_;
    const auto started = std::chrono::steady_clock::now();
    const auto emit = [&s](const json::Value& effect) {
        s.counts.count(effect);
        if (s.trace) {
            json::Value line = effect;
            line["at"] = truncatedMilliseconds(s.time.clock().now()).value_or(0);
            s.trace(line);
        }
    };
    s.surface = std::make_unique<StudentSurface>(
        s.runtime.main(), Random::mix(s.options.semester.seed, 0xba77e4), s.options.odds,
        [&s]() -> Banner* { return s.model ? s.model->banner() : nullptr; }, emit);
    s.time.addFlusher([&s] {
        if (s.model && s.model->writer()) {
            s.model->writer()->flush();
        }
    });
    // The application starts when the student first logs in.
    std::optional<std::string> failed;
    s.mac.onFirstBoot([&s, &emit, &failed] {
        s.model = std::make_unique<AppModel>(AppModel::Services{
            s.runtime, s.platform, s.machine.loginItems(), s.machine.commands(), s.settings, s.random, *s.surface,
            s.windows, s.calendar, "en_US", s.options.database, "simulated"});
        if (!s.model->autopilot()) {
            failed = s.model->storeError().value_or("the store did not open");
            return;
        }
        s.model->autopilot()->setTrace(emit);
        s.model->setTriggerWatcher([&s](const std::vector<Trigger>& triggers) {
            for (const Trigger& trigger : triggers) {
                s.mac.noteTrigger(trigger.ts);
            }
        });
        makeOwnRoutines(s);
    });

    int days = 0;
    while (s.generator.nextDay()) {
        if (failed) {
            throw std::runtime_error("the simulation's store did not open: " + *failed);
        }
        if (++days == 7 && s.model) {
            editLearnedRoutines(s); // from the second week
        }
    }
    if (!s.model) {
        throw std::runtime_error("the student never logged in");
    }
    const Date end = s.time.clock().now() + settleAfterLastDay;
    while (s.surface->showing() && s.time.clock().now() < end) {
        s.time.advance(10);
    }
    s.time.settle();

    stats_.days = days;
    stats_.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    stats_.passSeconds = s.runtime.workerTasks;
    stats_.mainSeconds = s.runtime.mainSpent;
    return report(s, days);
}

} // namespace ostrel::semester
