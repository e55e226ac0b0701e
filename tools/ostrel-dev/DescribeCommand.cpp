#include "CommandMachine.hpp"
#include "Commands.hpp"
#include "ModelTool.hpp"
#include "app/ai/Describe.hpp"
#include "app/ai/InstalledApps.hpp"
#include "core/foundation/Json.hpp"
#include "core/store/Store.hpp"
#include "platform/LocalLanguageModel.hpp"

#include <iostream>

namespace ostrel::dev {

// Describes a routine in the student's words TEXT through the language model of --config's
// preferences, as the editor's describe card does, and prints {"edits", "notes"} or {"error"}.
// The apps are the machine's (--machine) or this desktop's installed ones; classes from --db.
// --dry-run prints the request body instead and sends nothing.
int describeCommand(const Arguments& arguments) {
    const Options options("describe", arguments, {"--db", "--machine", "--wifi", "--config"}, {"--dry-run"});
    const std::string& words = options.single("the student's words");
    RoutineIdea::Surroundings surroundings;
    if (const auto wifi = options.text("--wifi")) {
        surroundings.network = wifiNetwork(options, *wifi);
    }
    if (const auto machine = options.text("--machine")) {
        readSurroundings(readMachineState(options, *machine), surroundings);
    } else {
        surroundings.apps = InstalledApps::all("en_US");
    }
    if (const auto db = options.text("--db")) {
        try {
            Store store(options.existingFile(*db), Store::Access::reader);
            surroundings.series = store.calendarSeries();
        } catch (const std::exception& failure) {
            throw options.error("cannot read " + *db + ": " + failure.what());
        }
    }
    const std::unique_ptr<Settings> settings = commandSettings(options);
    SystemRuntime runtime;
    CommandModel model(*settings, runtime, options.flag("--dry-run"));
    std::optional<Describe::Outcome> outcome;
    runOnMain(runtime, options,
              LocalLanguageModel::timeout(*settings) + LocalLanguageModel::probeTimeout + 30,
              [&](std::function<void()> finish) {
                  // As the describe card does: find out whether the model can answer, then ask.
                  auto asked = std::make_shared<Subscription>();
                  Subscription probe = model.model().probe([&, asked, finish](ModelAvailability) {
                      *asked = Describe::routine(words, surroundings, model.model(),
                                                 [&, finish](const Describe::Outcome& result) {
                                                     outcome = result;
                                                     finish();
                                                 });
                  });
                  return Subscription([asked, probe = std::make_shared<Subscription>(std::move(probe))] {
                      probe->cancel();
                      asked->cancel();
                  });
              });
    if (options.flag("--dry-run")) {
        for (const std::string& body : model.bodies()) {
            std::cout << body << '\n';
        }
        return 0;
    }
    json::Value result;
    if (const auto* described = std::get_if<Described>(&*outcome)) {
        result = {{"edits", described->edits.toJSON()}, {"notes", described->notes}};
    } else {
        result = {{"error", Describe::message(*outcome)}};
    }
    std::cout << json::encode(result) << '\n';
    return 0;
}

} // namespace ostrel::dev
