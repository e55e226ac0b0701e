#include "core/observations/WindowsPayload.hpp"

namespace ostrel {

WindowsPayload WindowsPayload::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    return {reader.required<std::vector<WindowPayload>>("windows")};
}

json::Value WindowsPayload::toJSON() const {
    return json::ObjectWriter().set("windows", windows).done();
}

} // namespace ostrel
