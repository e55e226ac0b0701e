#include "Commands.hpp"
#include "ModelTool.hpp"
#include "Options.hpp"
#include "app/ai/OnDevice.hpp"
#include "core/foundation/Json.hpp"
#include "platform/LocalLanguageModel.hpp"
#include "platform/Settings.hpp"
#include "platform/SystemRuntime.hpp"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>

namespace ostrel::dev {

// The language model as the application reaches it: probes the local model server of the
// preferences in --config DIR (without it, or when DIR does not exist, the defaults: no model
// name, so not enabled) and prints {"reason", "state"}. Reading never creates the folder.
int modelCommand(const Arguments& arguments) {
    const Options options("model", arguments, {"--config"});
    if (options.positional().size() != 1 || options.positional()[0] != "status") {
        throw options.error("expects status [--config DIR]");
    }
    const std::unique_ptr<Settings> settings = commandSettings(options);

    SystemRuntime runtime;
    std::mutex lock;
    std::condition_variable answered;
    std::optional<ModelAvailability> found;
    {
        LocalLanguageModel model(*settings, runtime.main(), runtime.queue("Ostrel.model"));
        const Subscription token = model.probe([&](ModelAvailability state) {
            std::lock_guard guard(lock);
            found = state;
            answered.notify_all();
        });
        // The probe's own timer answers within probeTimeout; the margin only covers a stuck main.
        std::unique_lock guard(lock);
        const auto limit = std::chrono::duration<double>(LocalLanguageModel::probeTimeout + 10);
        if (!answered.wait_for(guard, limit, [&] { return found.has_value(); })) {
            throw options.error("the probe did not finish");
        }
    }
    json::Value line = json::Value::object();
    line["state"] = std::string(toString(*found));
    line["reason"] = OnDevice::unavailableReason(*found);
    std::cout << json::encode(line) << '\n';
    return 0;
}

} // namespace ostrel::dev
