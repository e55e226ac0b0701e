#include "Commands.hpp"
#include "Options.hpp"
#include "app/autopilot/Windows.hpp"
#include "core/foundation/Json.hpp"
#include "platform/Displays.hpp"
#include "platform/sim/MachineState.hpp"
#include "platform/sim/SimulatedMachine.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

namespace ostrel::dev {

namespace {

// Exactly four comma-separated numbers, each wholly parsed.
template <class Number>
std::optional<std::array<Number, 4>> fourNumbers(std::string_view text) {
    std::array<Number, 4> numbers{};
    for (std::size_t index = 0; index < numbers.size(); ++index) {
        const std::size_t comma = text.find(',');
        const bool last = index + 1 == numbers.size();
        if (last != (comma == std::string_view::npos)) {
            return std::nullopt;
        }
        const std::string_view part = text.substr(0, comma);
        const auto [end, failure] = std::from_chars(part.data(), part.data() + part.size(), numbers[index]);
        if (part.empty() || failure != std::errc() || end != part.data() + part.size()) {
            return std::nullopt;
        }
        if constexpr (std::is_floating_point_v<Number>) {
            if (!std::isfinite(numbers[index])) {
                return std::nullopt;
            }
        }
        text.remove_prefix(last ? text.size() : comma + 1);
    }
    return numbers;
}

RoutineEdits::Placement placement(const Options& options, const std::string& text) {
    if (text == "left") {
        return RoutineEdits::Placement::left();
    }
    if (text == "right") {
        return RoutineEdits::Placement::right();
    }
    if (text == "full") {
        return RoutineEdits::Placement::full();
    }
    const auto numbers = fourNumbers<std::int64_t>(text);
    if (!numbers) {
        throw options.error("--placement expects left, right, full or X,Y,W,H in integers, not \"" + text + "\"");
    }
    return RoutineEdits::Placement::frame({(*numbers)[0], (*numbers)[1], (*numbers)[2], (*numbers)[3]});
}

} // namespace

// Where a placement would put a window of frame --frame (none: a window whose frame cannot be
// read) on the displays of a simulated machine's state file.
int placeCommand(const Arguments& arguments) {
    const Options options("place", arguments, {"--placement", "--frame"});
    const std::string& machinePath = options.single("one machine state file");
    const auto placementText = options.text("--placement");
    if (!placementText) {
        throw options.error("needs --placement left|right|full|X,Y,W,H");
    }
    const RoutineEdits::Placement chosen = placement(options, *placementText);
    std::optional<Rect> current;
    if (const auto frameText = options.text("--frame")) {
        const auto numbers = fourNumbers<double>(*frameText);
        if (!numbers) {
            throw options.error("--frame expects X,Y,W,H, not \"" + *frameText + "\"");
        }
        current = Rect{(*numbers)[0], (*numbers)[1], (*numbers)[2], (*numbers)[3]};
    }
    std::error_code missing;
    if (!std::filesystem::is_regular_file(machinePath, missing)) {
        throw options.error("no machine state file at " + machinePath);
    }

    std::optional<MachineState> state;
    try {
        state = MachineState::load(machinePath);
    } catch (const std::exception& failure) {
        throw options.error("machine state " + machinePath + ": " + failure.what());
    }
    SimulatedMachine machine(std::move(*state));
    const auto target = Windows::target(chosen, current, usableAreas(machine.displays().screens()));

    json::Value rect(nullptr);
    if (target) {
        rect = json::ObjectWriter()
                   .set("x", target->x)
                   .set("y", target->y)
                   .set("width", target->width)
                   .set("height", target->height)
                   .done();
    }
    std::cout << json::encode(json::ObjectWriter().set("target", rect).done()) << '\n';
    return 0;
}

} // namespace ostrel::dev
