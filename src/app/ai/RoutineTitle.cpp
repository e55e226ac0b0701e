#include "app/ai/RoutineTitle.hpp"

namespace ostrel {

const nlohmann::ordered_json& RoutineTitle::schema() {
    // In the order the model should read it, as the routine idea's schema is written.
    static const nlohmann::ordered_json value = {
        {"type", "object"},
        {"properties",
         {{"name",
           {{"type", "string"},
            {"description", "One to three words, such as Evening coding, Morning email or Gym playlist"}}}}},
        {"required", nlohmann::ordered_json::array({"name"})},
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
