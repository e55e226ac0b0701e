// Google Calendar events as the sync reads them: a list reply decodes item by item, counting what it
// skips; an event that decodes gives a class time whose fields keep their promises. The input text is
// also read as an RFC 3339 date-time, whose exact milliseconds must agree with its seconds.

#include "FuzzCheck.hpp"

#include "core/calendar/GoogleEvent.hpp"
#include "core/foundation/Json.hpp"

#include <cctype>
#include <cmath>

using namespace ostrel;

namespace {

void checkEvent(const GoogleEvent& event) {
    const std::string calendar = "primary";
    const std::optional<CalendarEvent> made = event.calendarEvent(calendar);
    if (!made) {
        return;
    }
    FUZZ_REQUIRE(made->calendar == calendar);
    FUZZ_REQUIRE(!made->location || !made->location->empty());
    FUZZ_REQUIRE(made->links.size() <= 4);
    for (const std::string& link : made->links) {
        std::string scheme = link.substr(0, link.find(':'));
        for (char& c : scheme) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        FUZZ_REQUIRE(scheme == "http" || scheme == "https");
    }
}

void checkDateText(std::string_view text) {
    const std::optional<Date> date = GoogleEvent::date(text);
    const std::optional<std::int64_t> milliseconds = GoogleEvent::milliseconds(text);
    if (!date) {
        return;
    }
    FUZZ_REQUIRE(std::isfinite(*date));
    if (milliseconds) {
        // The double can be a millisecond off the exact value at most.
        FUZZ_REQUIRE(std::fabs(*date * 1000.0 - static_cast<double>(*milliseconds)) <= 1.0 + std::fabs(*date) * 1e-12);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::asText(data, size);
    checkDateText(text);

    json::Value value;
    try {
        value = json::parse(text);
    } catch (const json::DecodingError&) {
        return 0;
    }
    if (value.is_string()) {
        checkDateText(value.get<std::string>());
    }
    if (const std::optional<GoogleEvent> event = json::tryDecodeRecord<GoogleEvent>(text)) {
        checkEvent(*event);
    }
    const json::Value* items = value.is_object() && value.contains("items") ? &value["items"] : &value;
    if (!items->is_array()) {
        return 0;
    }
    const GoogleEvent::DecodedList list = GoogleEvent::decodeList(*items);
    FUZZ_REQUIRE(list.events.size() + list.skipped == items->size());
    for (const GoogleEvent& event : list.events) {
        checkEvent(event);
    }
    return 0;
}
