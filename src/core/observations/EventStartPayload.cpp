#include "core/observations/EventStartPayload.hpp"

#include "core/foundation/UnicodeText.hpp"

namespace ostrel {

EventStartPayload EventStartPayload::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    return {reader.required<std::string>("event"), reader.required<std::int64_t>("occurrence"),
            reader.required<std::int64_t>("start"), reader.required<std::int64_t>("idle"),
            reader.required<bool>("locked")};
}

json::Value EventStartPayload::toJSON() const {
    return json::ObjectWriter()
        .set("event", event)
        .set("occurrence", occurrence)
        .set("start", start)
        .set("idle", idle)
        .set("locked", locked)
        .done();
}

bool operator==(const EventStartPayload& a, const EventStartPayload& b) {
    return canonicallyEqual(a.event, b.event) && a.occurrence == b.occurrence && a.start == b.start &&
           a.idle == b.idle && a.locked == b.locked;
}

} // namespace ostrel
