#include "Commands.hpp"
#include "Options.hpp"
#include "app/autopilot/Banner.hpp"
#include "core/foundation/Json.hpp"
#include "platform/sim/MachineState.hpp"
#include "platform/sim/SimulatedMachine.hpp"

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace ostrel::dev {

namespace {

// A run as `setup` prints it ({"run": {...}} or the inner object); only opened, hid, wasMuted and
// edits (the routine's, for its layout) are read. hid holds app ids or {"appID": ...} objects.
SetupRunner::Run runFromJSON(const json::Value& given) {
    const json::Value& value = given.is_object() && given.contains("run") ? given.at("run") : given;
    if (!value.is_object()) {
        throw json::DecodingError("a run is a JSON object");
    }
    const json::ObjectReader reader(value);
    SetupRunner::Run run;
    run.opened = reader.value<std::vector<Item>>("opened", {});
    if (const auto found = value.find("hid"); found != value.end() && !found->is_null()) {
        if (!found->is_array()) {
            throw json::DecodingError("\"hid\": expects an array");
        }
        for (const json::Value& app : *found) {
            if (app.is_string()) {
                run.hid.push_back(AppInstance{0, app.get<std::string>(), 0});
            } else if (app.is_object() && app.contains("appID") && app.at("appID").is_string()) {
                run.hid.push_back(AppInstance{0, app.at("appID").get<std::string>(), 0});
            } else {
                throw json::DecodingError("\"hid\": expects app ids or objects with an \"appID\"");
            }
        }
    }
    if (const auto found = value.find("wasMuted"); found != value.end() && !found->is_null()) {
        if (!found->is_boolean()) {
            throw json::DecodingError("\"wasMuted\": expects true, false or null");
        }
        run.wasMuted = found->get<bool>();
    }
    if (const auto found = value.find("edits"); found != value.end() && !found->is_null()) {
        run.routine.edits = RoutineEdits::fromJSON(*found);
    }
    return run;
}

} // namespace

// The banner's texts for items or a run, named by the apps of a simulated machine.
int bannerTextCommand(const Arguments& arguments) {
    const Options options("banner-text", arguments, {"--locale", "--machine"});
    if (options.positional().size() != 2 ||
        (options.positional()[0] != "names" && options.positional()[0] != "summary")) {
        throw options.error("expects names ITEMS or summary RUN");
    }
    const bool names = options.positional()[0] == "names";
    const std::string& input = options.positional()[1];
    const std::string locale = options.text("--locale").value_or("en_US");

    MachineState state;
    if (const auto machinePath = options.text("--machine")) {
        try {
            std::error_code failure;
            if (!std::filesystem::is_regular_file(*machinePath, failure)) {
                throw options.error("no machine state file at " + *machinePath);
            }
            state = MachineState::load(*machinePath);
        } catch (const json::DecodingError& failure) {
            throw options.error("machine state " + *machinePath + ": " + failure.what());
        }
    }
    SimulatedMachine machine(std::move(state));

    std::string text;
    try {
        const json::Value value = json::parse(input);
        text = names ? Banner::names(json::Decoder<std::vector<Item>>::decode(value), machine.workspace(), locale)
                     : Banner::summary(runFromJSON(value), machine.workspace(), locale);
    } catch (const json::DecodingError& failure) {
        throw options.error(std::string(names ? "ITEMS expects a JSON array of item ids: "
                                              : "RUN expects a run's JSON object: ") +
                            failure.what());
    } catch (const BannerTextError& failure) {
        throw options.error(std::string("--locale: ") + failure.what());
    }
    std::cout << json::encode(json::Value{{"text", text}}) << '\n';
    return 0;
}

} // namespace ostrel::dev
