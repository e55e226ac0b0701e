#include "app/ai/RoutineTitle.hpp"

namespace ostrel {

const json::Value& RoutineTitle::schema() {
    static const json::Value value = {
        {"type", "object"},
        {"properties",
         {{"name",
           {{"type", "string"},
            {"description", "One to three words, such as Evening coding, Morning email or Gym playlist"}}}}},
        {"required", json::Value::array({"name"})},
        {"additionalProperties", false},
    };
    return value;
}

RoutineTitle RoutineTitle::decode(std::string_view content) {
    return fromJSON(json::parse(content));
}

RoutineTitle RoutineTitle::fromJSON(const json::Value& value) {
    return {json::ObjectReader(value).required<std::string>("name")};
}

} // namespace ostrel
