#pragma once

#include "core/foundation/Json.hpp"
#include "semester/SemesterGenerator.hpp"
#include "semester/StudentSurface.hpp"

#include <filesystem>
#include <functional>
#include <vector>

namespace ostrel::semester {

struct SimulationOptions {
    SemesterOptions semester;
    StudentSurface::Odds odds;
    std::filesystem::path database; // must not exist yet
};

// Weeks of a student's life with the application's real services running on the simulated machine
// in virtual time: the app model with its observer and every source, the trigger recorder, the
// autopilot with its cues, the setup runner and the banner. The generated student acts on the
// machine only; the student at the banner answers with seeded odds; the windows are recorders.
// The same options give the same database, row for row.
//
// At the start the student makes routines of their own with cues, as the routine editor would
// store them; from the second week they edit two learned course routines (windows laid out, the
// sound muted, tidied up without asking). After the last day virtual time runs on until no banner
// is up.
class Simulation {
public:
    using Trace = std::function<void(const json::Value& line)>;

    // trace, when given, gets every effect in time order: the autopilot's and the student's.
    explicit Simulation(SimulationOptions options, Trace trace = {});
    ~Simulation();

    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    // Runs it all; returns the report: one summary line, then one line per routine.
    std::vector<json::Value> run();

    // Where the wall time of the last run went.
    struct Stats {
        int days = 0;
        double wallSeconds = 0;
        double mainSeconds = 0;            // the application's main executor
        std::vector<double> passSeconds;   // each task of the worker: the planning passes, in order
    };
    const Stats& stats() const;

    struct State;

private:
    static std::vector<json::Value> report(State& state, int days);
    static void makeOwnRoutines(State& state);
    static void editLearnedRoutines(State& state);
    std::unique_ptr<State> state_;
    Stats stats_;
};

} // namespace ostrel::semester
