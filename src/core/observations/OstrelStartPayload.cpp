#include "core/observations/OstrelStartPayload.hpp"

#include "core/foundation/UnicodeText.hpp"

#include <cmath>

namespace ostrel {

OstrelStartPayload::OstrelStartPayload(double uptime, std::string version, std::optional<std::int64_t> login)
    : uptime(std::round(uptime)), version(std::move(version)), login(login) {}

OstrelStartPayload OstrelStartPayload::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    OstrelStartPayload payload;
    payload.uptime = reader.required<double>("uptime");
    payload.version = reader.required<std::string>("version");
    payload.login = reader.optional<std::int64_t>("login");
    return payload;
}

json::Value OstrelStartPayload::toJSON() const {
    return json::ObjectWriter().set("uptime", uptime).set("version", version).set("login", login).done();
}

bool operator==(const OstrelStartPayload& a, const OstrelStartPayload& b) {
    return a.uptime == b.uptime && canonicallyEqual(a.version, b.version) && a.login == b.login;
}

} // namespace ostrel
