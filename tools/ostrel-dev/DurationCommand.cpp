#include "Commands.hpp"
#include "Options.hpp"
#include "app/home/Duration.hpp"
#include "core/foundation/Json.hpp"

#include <charconv>
#include <cstdint>
#include <iostream>
#include <vector>

namespace ostrel::dev {

// Each span of milliseconds in the words the time page and the look-back use. Every argument is
// checked before anything is printed, so a mistake prints nothing but its message.
int durationCommand(const Arguments& arguments) {
    const Options options("duration", arguments, {});
    if (options.positional().empty()) {
        throw options.error("expects one or more MS");
    }
    std::vector<std::int64_t> spans;
    for (const std::string& argument : options.positional()) {
        std::int64_t milliseconds = 0;
        const char* end = argument.data() + argument.size();
        const auto [stop, failure] = std::from_chars(argument.data(), end, milliseconds);
        if (argument.empty() || failure != std::errc() || stop != end) {
            throw options.error("expects whole milliseconds, not \"" + argument + "\"");
        }
        spans.push_back(milliseconds);
    }
    for (const std::int64_t milliseconds : spans) {
        std::cout << json::encode(json::Value{{"ms", milliseconds}, {"words", Duration::words(milliseconds)}})
                  << '\n';
    }
    return 0;
}

} // namespace ostrel::dev
