#include "core/observations/AudioDevicesPayload.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using Device = AudioDevicesPayload::Device;

std::vector<std::string> uids(const AudioDevicesPayload& payload) {
    std::vector<std::string> result;
    for (const Device& device : payload.devices) {
        result.push_back(device.uid + "/" + device.name);
    }
    return result;
}

TEST(AudioDevicesPayload, SortsByUidInScalarOrderKeepingTiesInPlace) {
    const struct {
        std::vector<Device> given;
        std::vector<std::string> expected;
    } cases[] = {
        {{{"b", "B", "usb"}, {"a", "A", "usb"}}, {"a/A", "b/B"}},
        {{{"x", "first", "usb"}, {"x", "second", "bluetooth"}, {"w", "w", "usb"}},
         {"w/w", "x/first", "x/second"}},
        {{{"a", "", ""}, {"Z", "", ""}, {"\u00E9", "", ""}, {"\u00E4", "", ""}},
         {"Z/", "a/", "\u00E4/", "\u00E9/"}},
        // U+FF5E before U+1F600, which UTF-16 order would reverse.
        {{{"\U0001F600", "", ""}, {"\uFF5E", "", ""}}, {"\uFF5E/", "\U0001F600/"}},
        {{}, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(uids(AudioDevicesPayload::make(c.given)), c.expected);
    }
}

TEST(AudioDevicesPayload, TheSameDevicesInAnyOrderMakeEqualPayloads) {
    const Device speakers{"BuiltInSpeakers", "MacBook Speakers", "builtin"};
    const Device headphones{"00-11-22", "Headphones", "bluetooth"};
    EXPECT_EQ(AudioDevicesPayload::make({speakers, headphones}),
              AudioDevicesPayload::make({headphones, speakers}));
    // Plain payloads (as decoded) compare in their stored order.
    const AudioDevicesPayload asListed{{speakers, headphones}};
    const AudioDevicesPayload reversed{{headphones, speakers}};
    EXPECT_NE(asListed, reversed);
    EXPECT_EQ(json::encodeRecord(AudioDevicesPayload::make({speakers, headphones})),
              R"({"devices":[{"name":"Headphones","transport":"bluetooth","uid":"00-11-22"},)"
              R"({"name":"MacBook Speakers","transport":"builtin","uid":"BuiltInSpeakers"}]})");
}

TEST(AudioDevicesPayload, DecodesAsWrittenAndStrictly) {
    const struct {
        const char* text;
        std::optional<AudioDevicesPayload> expected;
    } cases[] = {
        {R"({"devices":[]})", AudioDevicesPayload{}},
        {R"({"devices":[{"uid":"b","name":"B","transport":"usb"},{"uid":"a","name":"A","transport":"usb","x":1}]})",
         AudioDevicesPayload{{{"b", "B", "usb"}, {"a", "A", "usb"}}}}, // stored order, not re-sorted
        {"{}", std::nullopt},
        {R"({"devices":null})", std::nullopt},
        {R"({"devices":{}})", std::nullopt},
        {R"({"devices":["a"]})", std::nullopt},
        {R"({"devices":[{"uid":"a","name":"A"}]})", std::nullopt},
        {R"({"devices":[{"uid":"a","transport":"usb"}]})", std::nullopt},
        {R"({"devices":[{"name":"A","transport":"usb"}]})", std::nullopt},
        {R"({"devices":[{"uid":1,"name":"A","transport":"usb"}]})", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(json::tryDecodeRecord<AudioDevicesPayload>(c.text), c.expected) << c.text;
    }
}

} // namespace
} // namespace ostrel
