#include "core/observations/RunningAppsPayload.hpp"

#include "core/foundation/UnicodeText.hpp"

namespace ostrel {

RunningAppsPayload RunningAppsPayload::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    return {reader.required<std::vector<AppPayload>>("apps"), reader.optional<std::string>("front")};
}

json::Value RunningAppsPayload::toJSON() const {
    return json::ObjectWriter().set("apps", apps).set("front", front).done();
}

bool operator==(const RunningAppsPayload& a, const RunningAppsPayload& b) {
    return a.apps == b.apps && canonicallyEqual(a.front, b.front);
}

} // namespace ostrel
