#pragma once

// What the commands that ask the language model share: the preferences of --config, the model
// (the local model server of those preferences, or with --dry-run a model that sends nothing and
// keeps the request body), the surroundings a machine state gives, and running one call on the
// system runtime's main executor until it answers.

#include "Options.hpp"
#include "app/ai/RoutineIdea.hpp"
#include "platform/LanguageModel.hpp"
#include "platform/Settings.hpp"
#include "platform/SystemRuntime.hpp"
#include "platform/sim/MachineState.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace ostrel::dev {

// The preferences in --config DIR, written there when a command stores something; without the
// option, or when DIR does not exist, preferences in memory (nothing is created).
std::unique_ptr<Settings> commandSettings(const Options& options);

// "NAME,HASH": the hash is the part after the last comma, so a name may hold commas.
PlaceSignal::Network wifiNetwork(const Options& options, const std::string& given);

// What the routine editor would read of the machine: its named installed apps sorted by name as a
// scan sorts them, its external displays that have a UUID, and its audio outputs other than the
// built-in, virtual and aggregate ones, each in the machine's order.
void readSurroundings(const MachineState& state, RoutineIdea::Surroundings& surroundings);

// The model a command asks. Real: the local model server of settings. Dry run: always available,
// answers every request with a connection error and keeps the body the server would have got.
class CommandModel {
public:
    CommandModel(const Settings& settings, SystemRuntime& runtime, bool dryRun);
    ~CommandModel();

    LanguageModel& model();
    // The bodies the dry run kept, in order.
    const std::vector<std::string>& bodies() const;

private:
    struct Dry;
    std::unique_ptr<LanguageModel> model_;
    Dry* dry_ = nullptr;
};

// Runs start on the runtime's main executor and waits until it calls finish; the token it returns
// lives until then. Throws the options' error when nothing finished within limit seconds.
void runOnMain(SystemRuntime& runtime, const Options& options, double limit,
               const std::function<Subscription(std::function<void()> finish)>& start);

} // namespace ostrel::dev
