#include "Commands.hpp"
#include "core/store/Store.hpp"

#include <iostream>

namespace ostrel::dev {

int migrateCommand(const Arguments& arguments) {
    if (arguments.size() != 1) {
        throw UsageError{"expects exactly one database path"};
    }
    Store store(arguments.front());
    std::cout << "{\"schemaVersion\":" << store.schemaVersion() << "}\n";
    return 0;
}

} // namespace ostrel::dev
