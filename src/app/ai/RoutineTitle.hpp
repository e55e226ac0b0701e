#pragma once

#include "core/foundation/Json.hpp"

#include <string>
#include <string_view>

namespace ostrel {

// The language model's answer when asked to name a routine: a structured answer of one property.
// Its schema is handed to the model with the request, so the description is part of what the model
// reads.
struct RoutineTitle {
    std::string name;

    // {"type": "object", "properties": {"name": {"type": "string", "description": ...}},
    //  "required": ["name"], "additionalProperties": false}.
    static const nlohmann::ordered_json& schema();

    // The answer from its JSON text. No coercion: "name" must be present and a string (a number or
    // null is no name). Throws json::DecodingError for text that is not JSON, not an object, or
    // without a text "name"; other keys are ignored.
    static RoutineTitle decode(std::string_view content);
    static RoutineTitle fromJSON(const json::Value& value);

    friend bool operator==(const RoutineTitle&, const RoutineTitle&) = default;
};

} // namespace ostrel
