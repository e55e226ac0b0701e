#include "core/learning/RunPayload.hpp"

#include "core/foundation/Text.hpp"

#include <algorithm>

namespace ostrel {

RunPayload RunPayload::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    return {reader.required<std::string>("run"),
            reader.required<std::string>("routine"),
            reader.required<std::vector<std::string>>("items"),
            reader.required<bool>("automatic"),
            reader.optional<std::int64_t>("hid"),
            reader.optional<std::int64_t>("arranged"),
            reader.optional<bool>("muted")};
}

json::Value RunPayload::toJSON() const {
    return json::ObjectWriter()
        .set("run", run)
        .set("routine", routine)
        .set("items", items)
        .set("automatic", automatic)
        .set("hid", hid)
        .set("arranged", arranged)
        .set("muted", muted)
        .done();
}

bool operator==(const RunPayload& a, const RunPayload& b) {
    return text::equal(a.run, b.run) && text::equal(a.routine, b.routine) &&
           std::equal(a.items.begin(), a.items.end(), b.items.begin(), b.items.end(), text::Equal{}) &&
           a.automatic == b.automatic && a.hid == b.hid && a.arranged == b.arranged && a.muted == b.muted;
}

} // namespace ostrel
