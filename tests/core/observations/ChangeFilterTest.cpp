#include "core/observations/ChangeFilter.hpp"

#include "core/browsing/TabPayload.hpp"
#include "core/observations/AudioDevicesPayload.hpp"
#include "core/observations/AudioPayload.hpp"
#include "core/observations/DisplaysPayload.hpp"
#include "core/observations/PowerPayload.hpp"
#include "core/observations/WiFiPayload.hpp"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

// Feeds values in order to a fresh filter and collects its answers.
template <class Element>
std::vector<bool> answers(const std::vector<Element>& values) {
    ChangeFilter<Element> filter;
    std::vector<bool> result;
    for (const Element& value : values) {
        result.push_back(filter.changed(value));
    }
    return result;
}

TEST(ChangeFilter, AnswersTrueForTheFirstValueAndForEveryDifferenceFromTheLast) {
    const struct {
        std::vector<std::string> values;
        std::vector<bool> expected;
    } cases[] = {
        {{"a"}, {true}},
        {{""}, {true}}, // a default-looking value is still the first one
        {{"a", "a", "b", "a"}, {true, false, true, true}},
        {{"a", "a", "a"}, {true, false, false}},
        // The last value is replaced also when the answer is false, and compared with the newest.
        {{"a", "b", "b", "a", "a"}, {true, true, false, true, false}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(answers(c.values), c.expected) << ::testing::PrintToString(c.values);
    }
}

TEST(ChangeFilter, AnAbsentTabIsAValueOfItsOwn) {
    using Tab = std::optional<TabPayload>;
    const Tab none;
    const Tab school = TabPayload{"school.example", std::nullopt, std::nullopt};
    const Tab schoolPage = TabPayload{"school.example", "https://school.example/a", std::nullopt};
    const Tab excluded = TabPayload{std::nullopt, std::nullopt, true};
    const struct {
        const char* name;
        std::vector<Tab> values;
        std::vector<bool> expected;
    } cases[] = {
        {"first value absent", {none}, {true}},
        {"absent after absent", {none, none}, {true, false}},
        {"tab, absent, same tab", {school, none, school}, {true, true, true}},
        {"address added", {school, schoolPage}, {true, true}},
        {"excluded twice", {excluded, excluded}, {true, false}},
        {"excluded then absent", {excluded, none}, {true, true}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(answers(c.values), c.expected) << c.name;
    }
}

TEST(ChangeFilter, MeasurementsRoundedAtConstructionMakeNoChange) {
    const auto audio = [](double volume) {
        return AudioPayload("uid", "Speakers", "builtin", std::nullopt, volume, false);
    };
    EXPECT_EQ(answers<AudioPayload>({audio(0.501), audio(0.504), audio(0.506)}),
              (std::vector<bool>{true, false, true}));

    const auto power = [](std::int64_t percent) {
        return PowerPayload(PowerPayload::Source::battery, percent, false);
    };
    EXPECT_EQ(answers<PowerPayload>({power(84), power(81), power(79)}),
              (std::vector<bool>{true, false, true}));

    // The same devices listed in another order are the same payload; a renamed device is not.
    using Device = AudioDevicesPayload::Device;
    const Device a{"a", "Speakers", "builtin"};
    const Device b{"b", "Headphones", "bluetooth"};
    const Device renamed{"b", "Ana's Headphones", "bluetooth"};
    EXPECT_EQ(
        answers<AudioDevicesPayload>({AudioDevicesPayload::make({a, b}), AudioDevicesPayload::make({b, a}),
                                      AudioDevicesPayload::make({a, renamed})}),
        (std::vector<bool>{true, false, true}));
}

TEST(ChangeFilter, DisplayOrderAndLeavingANetworkAreChanges) {
    DisplaysPayload::Display builtin;
    builtin.id = 1;
    builtin.name = "Built-in";
    builtin.builtin = true;
    builtin.main = true;
    DisplaysPayload::Display external;
    external.id = 2;
    external.name = "Studio";
    external.x = 1512;
    EXPECT_EQ(answers<DisplaysPayload>({{{builtin, external}}, {{builtin, external}}, {{external, builtin}}}),
              (std::vector<bool>{true, false, true}));

    const WiFiPayload home{"0123456789abcdef"};
    const WiFiPayload noNetwork{std::nullopt};
    EXPECT_EQ(answers<WiFiPayload>({home, home, noNetwork, noNetwork, home}),
              (std::vector<bool>{true, false, true, false, true}));
}

} // namespace
} // namespace ostrel
