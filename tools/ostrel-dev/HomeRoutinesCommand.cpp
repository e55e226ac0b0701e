#include "CommandMachine.hpp"
#include "Commands.hpp"
#include "Options.hpp"
#include "app/home/ItemDisplay.hpp"
#include "app/home/RoutineRowText.hpp"
#include "app/home/RoutinesLoader.hpp"
#include "core/foundation/Json.hpp"
#include "core/store/Store.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"

#include <iostream>
#include <memory>

namespace ostrel::dev {

// The routines page at --at as the Home window loads and words it, one JSON line per row in page
// order: the key id, the name, the badge's text, the seen text, the moments as [symbol, sentence]
// pairs and the names of the items. Run in virtual time on the machine the window's pictures use,
// without an autopilot (nothing is demoted) and without a language model (the names are the
// routines' own, the cached smart names of --config, or the plain ones). DB is only read.
int homeRoutinesCommand(const Arguments& arguments) {
    const Options options("home routines", arguments, {"--tz", "--at", "--config"});
    const std::string& path = options.single("one database path");
    const Calendar calendar = options.calendar();
    const auto at = options.moment("--at", calendar);
    if (!at) {
        throw options.error("--at MS|DATE is required");
    }
    const auto file = options.existingFile(path);
    std::unique_ptr<Store> store;
    try {
        store = std::make_unique<Store>(file, Store::Access::reader);
    } catch (const std::exception& failure) {
        throw options.error("cannot read " + path + ": " + failure.what());
    }
    const std::unique_ptr<Settings> settings = commandSettings(options);

    VirtualTime time(static_cast<Date>(*at) / 1000);
    VirtualRuntime runtime(time);
    SimulatedMachine machine(MachineState::withOwnApp(), &time);
    const Workspace& workspace = machine.workspace();
    RoutinesLoader loader({store.get(), false, nullptr, *settings, runtime, workspace, calendar});
    loader.load();
    time.settle();
    if (!loader.routines()) {
        throw options.error("the load did not end");
    }

    for (const LearnedRoutine& row : *loader.routines()) {
        json::Value moments = json::Value::array();
        for (const RoutineRowText::Moment& moment : RoutineRowText::moments(
                 row.routine, loader.series(), loader.schedules(), calendar, workspace, {})) {
            moments.push_back(json::Value::array({moment.symbol, moment.sentence}));
        }
        json::Value items = json::Value::array();
        for (const Item& item : row.routine.items) {
            items.push_back(ItemDisplay::name(item, workspace));
        }
        const RoutineRowText::Badge badge =
            RoutineRowText::trustBadge(row.routine.trust, row.routine.edits.mode, row.demoted);
        std::cout << json::encode(json::Value{{"key", row.id()},
                                              {"name", row.name},
                                              {"badge", badge.text},
                                              {"seen", RoutineRowText::seenText(row.routine)},
                                              {"moments", std::move(moments)},
                                              {"items", std::move(items)}})
                  << '\n';
    }
    return 0;
}

} // namespace ostrel::dev
