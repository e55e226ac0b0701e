#include "Commands.hpp"
#include "Options.hpp"

namespace ostrel::dev {

// PLACEHOLDER: replaced by the page's command.
int homeTimeCommand(const Arguments&) {
    throw CommandError("ostrel-dev home: not built yet");
}

} // namespace ostrel::dev
