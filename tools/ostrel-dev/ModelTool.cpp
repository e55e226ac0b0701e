#include "ModelTool.hpp"

#include "app/signals/AudioSignal.hpp"
#include "platform/LocalLanguageModel.hpp"
#include "platform/sim/SimulatedMachine.hpp"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>

namespace ostrel::dev {

std::unique_ptr<Settings> commandSettings(const Options& options) {
    try {
        const auto folder = options.text("--config");
        return folder && std::filesystem::exists(std::filesystem::symlink_status(*folder))
                   ? std::make_unique<Settings>(std::filesystem::path(*folder))
                   : std::make_unique<Settings>(Settings::inMemory);
    } catch (const SettingsError& error) {
        throw options.error(error.what());
    }
}

PlaceSignal::Network wifiNetwork(const Options& options, const std::string& given) {
    const auto comma = given.rfind(',');
    if (comma == std::string::npos || comma == 0 || comma + 1 == given.size()) {
        throw options.error("--wifi expects NAME,HASH, not \"" + given + "\"");
    }
    return {given.substr(0, comma), given.substr(comma + 1)};
}

void readSurroundings(const MachineState& state, RoutineIdea::Surroundings& surroundings) {
    for (const auto& app : state.installed) {
        if (app.name) {
            surroundings.apps.push_back({*app.name, app.appID});
        }
    }
    std::stable_sort(
        surroundings.apps.begin(), surroundings.apps.end(),
        [](const InstalledApps::App& a, const InstalledApps::App& b) { return a.name < b.name; });

    SimulatedMachine machine(state);
    for (const Screen& screen : machine.displays().screens()) {
        if (screen.id && !screen.builtin && screen.uuid) {
            surroundings.displays.push_back({*screen.uuid, screen.name});
        }
    }
    for (auto& device : AudioSignal::connected(machine.audio())) {
        if (device.transport != "builtin" && device.transport != "virtual" &&
            device.transport != "aggregate") {
            surroundings.audio.push_back(std::move(device));
        }
    }
}

struct CommandModel::Dry final : LanguageModel {
    Dry(const Settings& settings, Executor& main)
        : name(LocalLanguageModel::modelName(settings).value_or("")), main(main) {}

    ModelAvailability availability() const override { return ModelAvailability::available; }
    Subscription probe(ProbeDone done) override {
        auto alive = std::make_shared<bool>(true);
        main.post([alive, done = std::move(done)] {
            if (*alive) {
                done(ModelAvailability::available);
            }
        });
        return Subscription([alive] { *alive = false; });
    }
    Subscription respond(ModelRequest request, Done done) override {
        bodies.push_back(LocalLanguageModel::chatBody(name, request));
        auto alive = std::make_shared<bool>(true);
        main.post([alive, done = std::move(done)] {
            if (*alive) {
                done(
                    ModelReply::failure(ModelError(ModelError::Kind::connection, "a dry run sends nothing")));
            }
        });
        return Subscription([alive] { *alive = false; });
    }

    std::string name;
    Executor& main;
    std::vector<std::string> bodies;
};

CommandModel::CommandModel(const Settings& settings, SystemRuntime& runtime, bool dryRun) {
    if (dryRun) {
        auto dry = std::make_unique<Dry>(settings, runtime.main());
        dry_ = dry.get();
        model_ = std::move(dry);
    } else {
        model_ =
            std::make_unique<LocalLanguageModel>(settings, runtime.main(), runtime.queue("Ostrel.model"));
    }
}

CommandModel::~CommandModel() = default;

LanguageModel& CommandModel::model() {
    return *model_;
}

const std::vector<std::string>& CommandModel::bodies() const {
    static const std::vector<std::string> none;
    return dry_ != nullptr ? dry_->bodies : none;
}

void runOnMain(SystemRuntime& runtime, const Options& options, double limit,
               const std::function<Subscription(std::function<void()> finish)>& start) {
    struct Wait {
        std::mutex lock;
        std::condition_variable finished;
        bool done = false;
    };
    const auto wait = std::make_shared<Wait>();
    // The token belongs to main: made, kept and let go there.
    auto token = std::make_shared<Subscription>();
    runtime.main().post([wait, token, &start] {
        *token = start([wait] {
            std::lock_guard guard(wait->lock);
            wait->done = true;
            wait->finished.notify_all();
        });
    });
    std::unique_lock guard(wait->lock);
    const bool finished =
        wait->finished.wait_for(guard, std::chrono::duration<double>(limit), [&] { return wait->done; });
    guard.unlock();
    // Let the token go on main, after the call, so nothing of it runs once this returns.
    std::mutex dropped;
    std::condition_variable droppedSignal;
    bool isDropped = false;
    runtime.main().post([&] {
        token->cancel();
        std::lock_guard lock(dropped);
        isDropped = true;
        droppedSignal.notify_all();
    });
    std::unique_lock lock(dropped);
    droppedSignal.wait(lock, [&] { return isDropped; });
    if (!finished) {
        throw options.error("the language model did not answer in time");
    }
}

} // namespace ostrel::dev
