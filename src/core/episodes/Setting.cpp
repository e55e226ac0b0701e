#include "core/episodes/Setting.hpp"

#include "core/foundation/Text.hpp"

namespace ostrel {

std::size_t Setting::hash() const {
    const std::size_t payload = std::visit(
        [](const auto& setting) -> std::size_t {
            using T = std::decay_t<decltype(setting)>;
            if constexpr (std::is_same_v<T, Output>) {
                return text::hash(setting.deviceUID);
            } else if constexpr (std::is_same_v<T, Volume>) {
                // 0.0 and -0.0 are equal, so they must hash alike.
                return std::hash<double>{}(setting.volume == 0 ? 0.0 : setting.volume);
            } else {
                return std::hash<bool>{}(setting.muted);
            }
        },
        value);
    return value.index() ^ (payload + 0x9e3779b97f4a7c15ULL + (value.index() << 6));
}

} // namespace ostrel
