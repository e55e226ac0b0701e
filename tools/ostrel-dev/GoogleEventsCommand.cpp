#include "Commands.hpp"
#include "ModelJson.hpp"
#include "core/calendar/GoogleEvent.hpp"
#include "core/foundation/Json.hpp"

#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>

namespace ostrel::dev {

// Reads an events list reply ({"items": [...]}) or one event resource and prints the calendar events
// they convert to, one JSON line each; what was skipped is counted in one line on stderr.
int googleEventsCommand(const Arguments& arguments) {
    if (arguments.size() != 1) {
        throw UsageError{"expects exactly one file"};
    }
    std::ifstream file(arguments.front(), std::ios::binary);
    if (!file) {
        throw std::runtime_error("Couldn't read " + arguments.front());
    }
    std::ostringstream text;
    text << file.rdbuf();
    const json::Value reply = json::parse(text.str());

    GoogleEvent::DecodedList decoded;
    if (reply.is_object() && reply.contains("items")) {
        decoded = GoogleEvent::decodeList(reply.at("items"));
    } else {
        try {
            decoded.events.push_back(GoogleEvent::fromJSON(reply));
        } catch (const json::DecodingError&) {
            decoded.skipped = 1;
        }
    }

    // The file name stands in for the calendar a client would have listed the events from.
    std::size_t nothing = 0;
    for (const GoogleEvent& event : decoded.events) {
        if (const auto converted = event.calendarEvent(arguments.front())) {
            std::cout << json::encode(eventJSON(*converted)) << '\n';
        } else {
            ++nothing;
        }
    }
    std::cerr << (decoded.events.size() - nothing) << " converted, " << decoded.skipped << " did not decode, "
              << nothing << " converted to nothing\n";
    return 0;
}

} // namespace ostrel::dev
