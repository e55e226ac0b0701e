#include "core/learning/UndoPayload.hpp"

#include "core/foundation/Text.hpp"

namespace ostrel {

UndoPayload UndoPayload::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    return {reader.required<std::string>("run")};
}

json::Value UndoPayload::toJSON() const {
    return json::ObjectWriter().set("run", run).done();
}

bool operator==(const UndoPayload& a, const UndoPayload& b) {
    return text::equal(a.run, b.run);
}

} // namespace ostrel
