#include "Commands.hpp"

#include <iostream>

namespace ostrel::dev {

// Placeholder until there is a semester to generate and show: says so rather than pretending.
int demoCommand(const Arguments& arguments) {
    if (!arguments.empty()) {
        throw UsageError{"takes no arguments"};
    }
    std::cout << "Ostrel demo: only the database layer exists so far; try `ostrel-dev migrate DB`.\n";
    return 0;
}

} // namespace ostrel::dev
