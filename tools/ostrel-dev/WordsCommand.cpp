#include "CommandMachine.hpp"
#include "Commands.hpp"
#include "ModelTool.hpp"
#include "Options.hpp"
#include "app/editor/Wording.hpp"
#include "core/foundation/Json.hpp"
#include "platform/sim/SimulatedMachine.hpp"

#include <iostream>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace ostrel::dev {

namespace {

// One thing to word: a cue as the store writes it, or one of the wording operations by name.
struct DaysOf {
    std::vector<std::int64_t> weekdays;
};
struct TimeOf {
    std::int64_t minute = 0;
};
struct MomentOf {
    ContextKey key;
};
struct PlaceOf {
    std::string place;
};
using Asked = std::variant<Cue, DaysOf, TimeOf, MomentOf, PlaceOf>;

Asked read(const Options& options, const std::string& argument) {
    try {
        const json::Value value = json::parse(argument);
        if (!value.is_object()) {
            throw options.error("expects a JSON object, not " + argument);
        }
        if (value.contains("days")) {
            return DaysOf{json::decodeValue<std::vector<std::int64_t>>(value.at("days"))};
        }
        if (value.contains("clock")) {
            return TimeOf{json::decodeValue<std::int64_t>(value.at("clock"))};
        }
        if (value.contains("moment")) {
            const std::string id = json::decodeValue<std::string>(value.at("moment"));
            const auto key = ContextKey::fromId(id);
            if (!key) {
                throw options.error("no routine key \"" + id + "\"");
            }
            return MomentOf{*key};
        }
        if (value.contains("place")) {
            return PlaceOf{json::decodeValue<std::string>(value.at("place"))};
        }
        return Cue::fromJSON(value);
    } catch (const CommandError&) {
        throw;
    } catch (const std::exception& failure) {
        throw options.error(argument + ": " + failure.what());
    }
}

} // namespace

// Each argument in the editor's words, one JSON line {"words"} each (null for a place without
// words). Every argument is read before anything is printed, so a mistake prints only its message.
int wordsCommand(const Arguments& arguments) {
    const Options options("words", arguments, {"--locale", "--tz", "--machine", "--wifi"});
    if (options.positional().empty()) {
        throw options.error("expects one or more JSON");
    }
    std::optional<Calendar> calendar;
    try {
        calendar.emplace(options.text("--tz").value_or("UTC"), options.text("--locale").value_or("en_US"));
    } catch (const CalendarError& failure) {
        throw options.error(failure.what());
    }
    std::vector<Asked> asked;
    for (const std::string& argument : options.positional()) {
        asked.push_back(read(options, argument));
    }
    const auto machine = options.text("--machine");
    SimulatedMachine simulated(machine ? readMachineState(options, *machine) : MachineState{});
    std::optional<PlaceSignal::Network> network;
    if (const auto wifi = options.text("--wifi")) {
        network = wifiNetwork(options, *wifi);
    }
    const Wording::NetworkName networkName = [&network](const std::string& hash) -> std::optional<std::string> {
        return network && network->hash == hash ? std::optional(network->name) : std::nullopt;
    };

    for (const Asked& one : asked) {
        const json::Value words = std::visit(
            [&](const auto& value) -> json::Value {
                using T = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<T, Cue>) {
                    return Wording::words(value, {}, *calendar, simulated.workspace());
                } else if constexpr (std::is_same_v<T, DaysOf>) {
                    return Wording::days(value.weekdays, *calendar);
                } else if constexpr (std::is_same_v<T, TimeOf>) {
                    return Wording::clock(value.minute, *calendar);
                } else if constexpr (std::is_same_v<T, MomentOf>) {
                    return Wording::moment(value.key, {}, *calendar, networkName);
                } else {
                    const auto place = Wording::place(value.place, networkName);
                    return place ? json::Value(*place) : json::Value(nullptr);
                }
            },
            one);
        std::cout << json::encode(json::Value{{"words", words}}) << '\n';
    }
    return 0;
}

} // namespace ostrel::dev
