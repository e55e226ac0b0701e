#include "support/Mornings.hpp"

#include "core/store/Store.hpp"

namespace ostrel::test {

void Mornings::write(const std::filesystem::path& path) {
    Store store(path);
    std::vector<Trigger> triggers;
    std::vector<SignalObservation> observations;
    for (int d = 0; d < days; ++d) {
        const std::int64_t at = first + d * day;
        triggers.push_back({at, Trigger::Kind::unlock});
        observations.push_back({at, Signal::unlock, "{}"});
        observations.push_back(
            {at + minute, Signal::appActivate, R"({"bundleID":"com.example.editor","name":"Editor"})"});
        observations.push_back(
            {at + 2 * minute, Signal::appActivate, R"({"bundleID":"com.example.mail","name":"Mail"})"});
        if (d % 3 == 0) {
            observations.push_back(
                {at + 3 * minute, Signal::appActivate, R"({"bundleID":"com.example.game"})"});
        }
    }
    store.append(observations);
    store.insert(triggers);
}

} // namespace ostrel::test
