// The payload records of the start, calendar, app, display, audio and power signals: their stored
// text, how strictly they read back, and what their constructors normalise.

#include "core/observations/AppPayload.hpp"
#include "core/observations/AudioPayload.hpp"
#include "core/observations/DisplaysPayload.hpp"
#include "core/observations/EmptyPayload.hpp"
#include "core/observations/EventStartPayload.hpp"
#include "core/observations/OstrelStartPayload.hpp"
#include "core/observations/PowerPayload.hpp"
#include "core/observations/RunningAppsPayload.hpp"
#include "core/observations/SignalObservation.hpp"

#include <limits>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using Display = DisplaysPayload::Display;

const Display builtIn{
    1, "37D8832A-2D66-02CA-B9F7-8F30A301B230", "Built-in Retina Display", 0, 0, 1512, 982, true, true};
const Display external{724'061'396, std::nullopt, "DELL U2720Q", -1920.5, -118, 1920, 1080, false, false};

struct GoldenRow {
    const char* name;
    std::string stored; // the observation's payload text
    std::string expected;
    bool roundTrips; // decoding the stored text gives the record back
};

template <class Record>
GoldenRow golden(const char* name, const Record& record, std::string expected) {
    const SignalObservation observation(Signal("probe"), record, 0);
    return {name, observation.payload, std::move(expected), observation.decoded<Record>() == record};
}

TEST(PayloadRecords, StoredTextOfEveryRecord) {
    const GoldenRow rows[] = {
        golden("empty", EmptyPayload{}, "{}"),
        golden("start", OstrelStartPayload(86'400.4, "2.1/beta", 1'700'000'000'000),
               R"({"login":1700000000000,"uptime":86400,"version":"2.1/beta"})"),
        golden("start without login", OstrelStartPayload(12.5, "1.0"), R"({"uptime":13,"version":"1.0"})"),
        golden("event start", EventStartPayload{"cal/42", 3, 1'700'000'400'000, 12, false},
               R"({"event":"cal/42","idle":12,"locked":false,"occurrence":3,"start":1700000400000})"),
        golden(
            "app", AppPayload("com.apple.Notes", "Notes", "/System/Applications/Notes.app", false),
            R"({"bundleID":"com.apple.Notes","hidden":false,"name":"Notes","path":"/System/Applications/Notes.app"})"),
        golden("app with nothing known", AppPayload(), "{}"),
        golden("excluded app", AppPayload::excludedApp, R"({"excluded":true})"),
        golden(
            "running apps",
            RunningAppsPayload{{AppPayload("org.b", "B", std::nullopt, true), AppPayload::excludedApp},
                               "org.b"},
            R"({"apps":[{"bundleID":"org.b","hidden":true,"name":"B"},{"excluded":true}],"front":"org.b"})"),
        golden("no running apps", RunningAppsPayload{}, R"({"apps":[]})"),
        golden(
            "displays", DisplaysPayload{{builtIn, external}},
            R"({"displays":[{"builtin":true,"height":982,"id":1,"main":true,"name":"Built-in Retina Display",)"
            R"("uuid":"37D8832A-2D66-02CA-B9F7-8F30A301B230","width":1512,"x":0,"y":0},)"
            R"({"builtin":false,"height":1080,"id":724061396,"main":false,"name":"DELL U2720Q",)"
            R"("width":1920,"x":-1920.5,"y":-118}]})"),
        golden("audio",
               AudioPayload("BuiltInSpeakerDevice", "MacBook Pro Speakers", "builtin", "Internal Speakers",
                            0.5049, false),
               R"({"dataSource":"Internal Speakers","deviceUID":"BuiltInSpeakerDevice","muted":false,)"
               R"("name":"MacBook Pro Speakers","transport":"builtin","volume":0.5})"),
        golden("audio without state",
               AudioPayload("usb-1", "Headset \"Pro\"", "usb", std::nullopt, std::nullopt, std::nullopt),
               R"({"deviceUID":"usb-1","name":"Headset \"Pro\"","transport":"usb"})"),
        golden("power on battery", PowerPayload(PowerPayload::Source::battery, 99, true),
               R"({"batteryPercent":95,"charging":true,"source":"battery"})"),
        golden("power on mains", PowerPayload(PowerPayload::Source::ac, std::nullopt, std::nullopt),
               R"({"source":"ac"})"),
        golden("power from a UPS", PowerPayload(PowerPayload::Source::ups, 4, false),
               R"({"batteryPercent":0,"charging":false,"source":"ups"})"),
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.stored, row.expected) << row.name;
        EXPECT_TRUE(row.roundTrips) << row.name;
    }
}

template <class Record>
struct DecodeCase {
    const char* text;
    std::optional<Record> expected;
};

template <class Record>
void expectDecoding(std::initializer_list<DecodeCase<Record>> cases) {
    for (const auto& c : cases) {
        EXPECT_EQ(SignalObservation(0, Signal("probe"), c.text).decoded<Record>(), c.expected) << c.text;
    }
}

TEST(PayloadRecords, EmptyPayloadReadsFromAnyWellFormedJSON) {
    expectDecoding<EmptyPayload>({
        {"{}", EmptyPayload{}},
        {R"({"bundleID":"x","excluded":true})", EmptyPayload{}},
        {"[1,2]", EmptyPayload{}},
        {"null", EmptyPayload{}},
        {"{", std::nullopt},
        {"", std::nullopt},
    });
}

TEST(PayloadRecords, StartAndEventStartDecodeStrictly) {
    OstrelStartPayload unrounded;
    unrounded.uptime = 12.5; // stored text is taken as it is, not rounded again
    unrounded.version = "1";
    expectDecoding<OstrelStartPayload>({
        {R"({"uptime":12.5,"version":"1"})", unrounded},
        {R"({"uptime":3,"version":"1","login":null})", OstrelStartPayload(3, "1")},
        {R"({"uptime":3,"version":"1","login":4.0})", OstrelStartPayload(3, "1", 4)},
        {R"({"version":"1"})", std::nullopt},              // required uptime missing
        {R"({"uptime":"3","version":"1"})", std::nullopt}, // text for a number
        {R"({"uptime":3,"version":1})", std::nullopt},
        {R"({"uptime":3,"version":"1","login":4.5})", std::nullopt},  // no fraction to integer
        {R"({"uptime":3,"version":"1","login":true})", std::nullopt}, // no bool to integer
    });
    const EventStartPayload event{"e", 1, 2, 3, true};
    expectDecoding<EventStartPayload>({
        {R"({"event":"e","occurrence":1,"start":2,"idle":3,"locked":true})", event},
        {R"({"event":"e","occurrence":1,"start":2,"idle":3,"locked":true,"title":"Maths"})", event},
        {R"({"event":"e","occurrence":1,"start":2,"idle":3})", std::nullopt},
        {R"({"event":"e","occurrence":1,"start":2,"idle":3,"locked":1})", std::nullopt},
        {R"({"event":"e","occurrence":1,"start":2,"idle":3,"locked":null})", std::nullopt},
        {R"({"event":"e","occurrence":1,"start":2,"idle":9223372036854775808,"locked":true})", std::nullopt},
    });
}

TEST(PayloadRecords, AppAndRunningAppsDecodeStrictly) {
    expectDecoding<AppPayload>({
        {"{}", AppPayload()},
        {R"({"excluded":true})", AppPayload::excludedApp},
        {R"({"bundleID":"a","name":null,"hidden":true})", AppPayload("a", std::nullopt, std::nullopt, true)},
        {R"({"bundleID":1})", std::nullopt},
        {R"({"hidden":"yes"})", std::nullopt},
        {R"({"hidden":0})", std::nullopt},
        {"[]", std::nullopt},
    });
    expectDecoding<RunningAppsPayload>({
        {R"({"apps":[{},{"bundleID":"a"}],"front":"a"})",
         RunningAppsPayload{{AppPayload(), AppPayload("a", std::nullopt, std::nullopt, std::nullopt)}, "a"}},
        {R"({"front":"a"})", std::nullopt},
        {R"({"apps":{}})", std::nullopt},
        {R"({"apps":[{"hidden":1}]})", std::nullopt}, // one bad element fails the whole record
    });
}

TEST(PayloadRecords, DisplaysAudioAndPowerDecodeStrictly) {
    expectDecoding<DisplaysPayload>({
        {R"({"displays":[]})", DisplaysPayload{}},
        {R"({"displays":[{"id":1,"name":"A","x":0,"y":0,"width":10,"height":5.5,"builtin":true,"main":false}]})",
         DisplaysPayload{{Display{1, std::nullopt, "A", 0, 0, 10, 5.5, true, false}}}},
        {R"({"displays":[{"id":-1,"name":"A","x":0,"y":0,"width":1,"height":1,"builtin":true,"main":true}]})",
         std::nullopt}, // the identifier is unsigned 32-bit
        {R"({"displays":[{"id":4294967296,"name":"A","x":0,"y":0,"width":1,"height":1,"builtin":true,"main":true}]})",
         std::nullopt},
        {R"({"displays":[{"id":1,"name":"A","x":0,"y":0,"width":1,"builtin":true,"main":true}]})",
         std::nullopt},
        {"{}", std::nullopt},
    });
    AudioPayload unrounded("d", "n", "usb", std::nullopt, std::nullopt, std::nullopt);
    unrounded.volume = 0.125;
    expectDecoding<AudioPayload>({
        {R"({"deviceUID":"d","name":"n","transport":"usb","volume":0.125})", unrounded},
        {R"({"deviceUID":"d","name":"n","transport":"usb","volume":1,"muted":true,"dataSource":null})",
         AudioPayload("d", "n", "usb", std::nullopt, 1.0, true)},
        {R"({"deviceUID":"d","name":"n"})", std::nullopt},
        {R"({"deviceUID":"d","name":"n","transport":"usb","volume":"loud"})", std::nullopt},
        {R"({"deviceUID":"d","name":"n","transport":"usb","muted":0})", std::nullopt},
    });
    expectDecoding<PowerPayload>({
        {R"({"source":"ac"})", PowerPayload(PowerPayload::Source::ac, std::nullopt, std::nullopt)},
        {R"({"source":"battery","batteryPercent":42,"charging":false})",
         [] {
             PowerPayload raw(PowerPayload::Source::battery, std::nullopt, false);
             raw.batteryPercent = 42; // not cut down to a multiple of 5 on reading
             return raw;
         }()},
        {R"({"source":"ups","charging":null})",
         PowerPayload(PowerPayload::Source::ups, std::nullopt, std::nullopt)},
        {R"({"source":"AC"})", std::nullopt},
        {R"({"source":"solar"})", std::nullopt},
        {R"({"batteryPercent":50})", std::nullopt},
        {R"({"source":"ac","batteryPercent":50.5})", std::nullopt},
    });
}

TEST(PayloadRecords, ConstructorsNormaliseMeasurements) {
    const struct {
        double given;
        double uptime;
    } uptimes[] = {{12.5, 13}, {12.4, 12}, {-12.5, -13}, {0.49, 0}, {86'399.5, 86'400}};
    for (const auto& c : uptimes) {
        EXPECT_EQ(OstrelStartPayload(c.given, "v").uptime, c.uptime) << c.given;
    }
    const struct {
        double given;
        double volume;
    } volumes[] = {{0.125, 0.13}, {0.004, 0}, {0.005, 0.01}, {0.5049, 0.5}, {1, 1}, {0.994999, 0.99}};
    for (const auto& c : volumes) {
        EXPECT_EQ(AudioPayload("d", "n", "t", std::nullopt, c.given, std::nullopt).volume, c.volume)
            << c.given;
    }
    EXPECT_EQ(AudioPayload("d", "n", "t", std::nullopt, std::nullopt, std::nullopt).volume, std::nullopt);
    const struct {
        std::int64_t given;
        std::int64_t percent;
    } batteries[] = {{0, 0}, {4, 0}, {5, 5}, {99, 95}, {100, 100}, {-7, -5}};
    for (const auto& c : batteries) {
        EXPECT_EQ(PowerPayload(PowerPayload::Source::battery, c.given, std::nullopt).batteryPercent,
                  c.percent)
            << c.given;
    }
    // A real application's payload never carries the excluded mark.
    EXPECT_EQ(AppPayload("a", "b", "c", true).excluded, std::nullopt);
    EXPECT_NE(AppPayload(), AppPayload::excludedApp);
}

TEST(PayloadRecords, EqualityIsFieldByFieldWithListsInOrderAndTextAsUnicode) {
    const AppPayload a("org.a", "A", std::nullopt, std::nullopt);
    const AppPayload b("org.b", "B", std::nullopt, std::nullopt);
    EXPECT_EQ((RunningAppsPayload{{a, b}, "org.a"}), (RunningAppsPayload{{a, b}, "org.a"}));
    EXPECT_NE((RunningAppsPayload{{a, b}, "org.a"}), (RunningAppsPayload{{b, a}, "org.a"}));
    EXPECT_NE((RunningAppsPayload{{a, b}, "org.a"}), (RunningAppsPayload{{a, b}, std::nullopt}));
    EXPECT_NE((DisplaysPayload{{builtIn, external}}), (DisplaysPayload{{external, builtIn}}));
    EXPECT_NE((DisplaysPayload{{builtIn}}), (DisplaysPayload{{builtIn, builtIn}}));

    // Text compares as Unicode text: a precomposed and a decomposed "é" are the same name.
    EXPECT_EQ(AppPayload("x", "Caf\u00e9", std::nullopt, std::nullopt),
              AppPayload("x", "Cafe\u0301", std::nullopt, std::nullopt));
    EXPECT_EQ(AudioPayload("d", "\u00c9couteurs", "bluetooth", std::nullopt, 0.5, std::nullopt),
              AudioPayload("d", "E\u0301couteurs", "bluetooth", std::nullopt, 0.5, std::nullopt));
    EXPECT_NE(AudioPayload("d", "n", "usb", std::nullopt, 0.5, std::nullopt),
              AudioPayload("d", "n", "usb", std::nullopt, 0.51, std::nullopt));
    EXPECT_NE(AudioPayload("d", "n", "usb", std::nullopt, std::nullopt, std::nullopt),
              AudioPayload("d", "n", "usb", std::nullopt, 0.0, std::nullopt));
    // Floating-point fields compare numerically.
    Display negativeZero = builtIn;
    negativeZero.x = -0.0;
    EXPECT_EQ(negativeZero, builtIn);
    EXPECT_NE((EventStartPayload{"e", 1, 2, 3, false}), (EventStartPayload{"e", 1, 2, 3, true}));
}

TEST(PayloadRecords, NonFiniteMeasurementsCannotBeEncoded) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double infinity = std::numeric_limits<double>::infinity();
    Display broken = builtIn;
    broken.width = infinity;
    EXPECT_THROW(SignalObservation(Signal::displays, DisplaysPayload{{broken}}, 0), json::EncodingError);
    EXPECT_THROW(
        SignalObservation(Signal::audio, AudioPayload("d", "n", "t", std::nullopt, nan, std::nullopt), 0),
        json::EncodingError);
    EXPECT_THROW(SignalObservation(Signal::quevStart, OstrelStartPayload(-infinity, "1"), 0),
                 json::EncodingError);
}

TEST(PayloadRecords, PowerSourceNamesAreExact) {
    const struct {
        PowerPayload::Source source;
        const char* name;
    } cases[] = {{PowerPayload::Source::ac, "ac"},
                 {PowerPayload::Source::battery, "battery"},
                 {PowerPayload::Source::ups, "ups"}};
    for (const auto& c : cases) {
        EXPECT_EQ(toString(c.source), c.name);
        EXPECT_EQ(fromString<PowerPayload::Source>(c.name), c.source);
    }
    EXPECT_EQ(fromString<PowerPayload::Source>("Battery"), std::nullopt);
    EXPECT_EQ(fromString<PowerPayload::Source>(""), std::nullopt);
}

} // namespace
} // namespace ostrel
