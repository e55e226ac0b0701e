#include "core/observations/AppPayload.hpp"

#include "core/foundation/UnicodeText.hpp"

namespace ostrel {

AppPayload AppPayload::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    AppPayload payload(reader.optional<std::string>("bundleID"), reader.optional<std::string>("name"),
                       reader.optional<std::string>("path"), reader.optional<bool>("hidden"));
    payload.excluded = reader.optional<bool>("excluded");
    return payload;
}

json::Value AppPayload::toJSON() const {
    return json::ObjectWriter()
        .set("bundleID", bundleID)
        .set("name", name)
        .set("path", path)
        .set("hidden", hidden)
        .set("excluded", excluded)
        .done();
}

bool operator==(const AppPayload& a, const AppPayload& b) {
    return canonicallyEqual(a.bundleID, b.bundleID) && canonicallyEqual(a.name, b.name) &&
           canonicallyEqual(a.path, b.path) && a.hidden == b.hidden && a.excluded == b.excluded;
}

} // namespace ostrel
