#include "CommandMachine.hpp"
#include "Commands.hpp"
#include "ModelTool.hpp"
#include "Options.hpp"
#include "app/ai/RoutineIdea.hpp"
#include "core/foundation/Json.hpp"
#include "core/store/Store.hpp"

#include <iostream>

namespace ostrel::dev {

// Prints the draft of the model's answer in FILE for the words, as {"edits", "notes"}, or
// {"error"} when the answer does not read as a routine idea (exit status 0 either way).
int ideaCommand(const Arguments& arguments) {
    const Options options("idea", arguments, {"--words", "--db", "--machine", "--wifi"});
    const std::string& file = options.single("one idea file");
    const auto words = options.text("--words");
    if (!words) {
        throw options.error("--words is required");
    }
    RoutineIdea::Surroundings surroundings;
    if (const auto wifi = options.text("--wifi")) {
        surroundings.network = wifiNetwork(options, *wifi);
    }
    const std::string answer = options.readFile(file, "idea");
    if (const auto machine = options.text("--machine")) {
        readSurroundings(readMachineState(options, *machine), surroundings);
    }
    if (const auto db = options.text("--db")) {
        const auto path = options.existingFile(*db);
        try {
            Store store(path, Store::Access::reader);
            surroundings.series = store.calendarSeries();
        } catch (const std::exception& failure) {
            throw options.error("cannot read " + *db + ": " + failure.what());
        }
    }

    json::Value result;
    try {
        const Described described = RoutineIdea::decode(answer).draft(*words, surroundings);
        result = {{"edits", described.edits.toJSON()}, {"notes", described.notes}};
    } catch (const IdeaDecodingError& error) {
        result = {{"error", error.what()}};
    }
    std::cout << json::encode(result) << '\n';
    return 0;
}

} // namespace ostrel::dev
