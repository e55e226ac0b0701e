#include "core/store/SQLValue.hpp"

namespace ostrel {

std::optional<std::int64_t> SQLValue::integerValue() const {
    if (const auto* value = std::get_if<std::int64_t>(&storage_)) {
        return *value;
    }
    return std::nullopt;
}

std::optional<double> SQLValue::realValue() const {
    if (const auto* value = std::get_if<double>(&storage_)) {
        return *value;
    }
    return std::nullopt;
}

} // namespace ostrel
