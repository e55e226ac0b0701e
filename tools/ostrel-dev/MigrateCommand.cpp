#include "Commands.hpp"
#include "Options.hpp"
#include "core/store/Store.hpp"

#include <iostream>

namespace ostrel::dev {

// Creates or upgrades the database at the path, as the application would, and prints its version.
int migrateCommand(const Arguments& arguments) {
    if (arguments.size() != 1) {
        throw UsageError{"expects exactly one database path"};
    }
    const Options options("migrate", arguments, {});
    const std::string& path = options.single("one database path");
    int version = 0;
    try {
        Store store(path);
        version = store.schemaVersion();
    } catch (const std::exception& failure) {
        throw options.error("cannot migrate " + path + ": " + failure.what());
    }
    std::cout << "{\"schemaVersion\":" << version << "}\n";
    return 0;
}

} // namespace ostrel::dev
