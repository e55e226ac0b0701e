#include "Commands.hpp"
#include "Options.hpp"

namespace ostrel::dev {

// "home routines ..." and "home time ...": the two pages of the Home window as the window shows them.
int homeCommand(const Arguments& arguments) {
    if (!arguments.empty()) {
        const Arguments rest(arguments.begin() + 1, arguments.end());
        if (arguments.front() == "routines") {
            return homeRoutinesCommand(rest);
        }
        if (arguments.front() == "time") {
            return homeTimeCommand(rest);
        }
    }
    throw CommandError("ostrel-dev home: routines or time, then a database");
}

} // namespace ostrel::dev
