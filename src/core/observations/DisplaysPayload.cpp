#include "core/observations/DisplaysPayload.hpp"

#include "core/foundation/UnicodeText.hpp"

namespace ostrel {

DisplaysPayload::Display DisplaysPayload::Display::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    return {reader.required<std::uint32_t>("id"), reader.optional<std::string>("uuid"),
            reader.required<std::string>("name"), reader.required<double>("x"),
            reader.required<double>("y"),         reader.required<double>("width"),
            reader.required<double>("height"),    reader.required<bool>("builtin"),
            reader.required<bool>("main")};
}

json::Value DisplaysPayload::Display::toJSON() const {
    return json::ObjectWriter()
        .set("id", id)
        .set("uuid", uuid)
        .set("name", name)
        .set("x", x)
        .set("y", y)
        .set("width", width)
        .set("height", height)
        .set("builtin", builtin)
        .set("main", main)
        .done();
}

bool operator==(const DisplaysPayload::Display& a, const DisplaysPayload::Display& b) {
    return a.id == b.id && canonicallyEqual(a.uuid, b.uuid) && canonicallyEqual(a.name, b.name) &&
           a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height && a.builtin == b.builtin &&
           a.main == b.main;
}

DisplaysPayload DisplaysPayload::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    return {reader.required<std::vector<Display>>("displays")};
}

json::Value DisplaysPayload::toJSON() const {
    return json::ObjectWriter().set("displays", displays).done();
}

} // namespace ostrel
