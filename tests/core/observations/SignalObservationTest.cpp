#include "core/observations/SignalObservation.hpp"

#include "core/observations/EmptyPayload.hpp"
#include "core/observations/EventStartPayload.hpp"
#include "core/observations/OstrelStartPayload.hpp"

#include <limits>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

// A payload with out-of-order fields, a path and a number that may not be finite.
struct Probe {
    std::string b;
    std::string a;
    double value = 0;

    static Probe fromJSON(const json::Value& value) {
        const json::ObjectReader reader(value);
        return {reader.required<std::string>("b"), reader.required<std::string>("a"),
                reader.required<double>("value")};
    }
    json::Value toJSON() const {
        return json::ObjectWriter().set("b", b).set("a", a).set("value", value).done();
    }
    friend bool operator==(const Probe&, const Probe&) = default;
};

TEST(SignalObservation, StampsRoundedMillisecondsAndEncodesSortedWithPlainSlashes) {
    const struct {
        Date at;
        std::int64_t ts;
    } stamps[] = {{0.0625, 63}, {0.03125, 31}, {-0.0625, -63}, {1'700'000'000.25, 1'700'000'000'250}};
    for (const auto& c : stamps) {
        EXPECT_EQ(SignalObservation(Signal::wake, EmptyPayload{}, c.at).ts, c.ts) << c.at;
    }

    const SignalObservation observation(Signal("probe"), Probe{"/Users/ana/Notes/a b.txt", "first", 1440.0},
                                        2.0);
    EXPECT_EQ(observation.ts, 2000);
    EXPECT_EQ(observation.signal, Signal("probe"));
    EXPECT_EQ(observation.payload, R"({"a":"first","b":"/Users/ana/Notes/a b.txt","value":1440})");
    EXPECT_EQ(SignalObservation(Signal::lock, EmptyPayload{}, 0).payload, "{}");
}

TEST(SignalObservation, UnencodablePayloadsAndDatesThrowEncodingErrors) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double infinity = std::numeric_limits<double>::infinity();
    for (const double bad : {nan, infinity, -infinity}) {
        EXPECT_THROW(SignalObservation(Signal("probe"), Probe{"b", "a", bad}, 0), json::EncodingError);
        EXPECT_THROW(SignalObservation(Signal::wake, EmptyPayload{}, bad), json::EncodingError);
    }
    // Milliseconds past int64 have no stored form.
    EXPECT_THROW(SignalObservation(Signal::wake, EmptyPayload{}, 9.3e15), json::EncodingError);
    EXPECT_THROW(SignalObservation(Signal::wake, EmptyPayload{}, -9.3e15), json::EncodingError);
    EXPECT_NO_THROW(SignalObservation(Signal::wake, EmptyPayload{}, 9.2e15));
    // Text that is not UTF-8 cannot be JSON either.
    EXPECT_THROW(SignalObservation(Signal("probe"), Probe{"\xFF", "a", 0}, 0), json::EncodingError);
}

TEST(SignalObservation, DecodedGivesTheRecordOrNothing) {
    const auto observation = [](std::string payload) { return SignalObservation(1, Signal("any"), payload); };

    EXPECT_EQ(observation("not json").decoded<EmptyPayload>(), std::nullopt);
    EXPECT_EQ(observation("{}").decoded<EmptyPayload>(), EmptyPayload{});
    EXPECT_EQ(observation("{}").decoded<OstrelStartPayload>(), std::nullopt);
    EXPECT_EQ(observation(R"({"uptime":12,"version":"1.2"})").decoded<OstrelStartPayload>(),
              OstrelStartPayload(12, "1.2"));
    // Nothing ties a payload to its signal: any record whose required keys are there decodes.
    const auto start =
        observation(R"({"event":"e","occurrence":1,"start":2,"idle":3,"locked":false,"x":[]})");
    EXPECT_EQ(start.decoded<EventStartPayload>(), (EventStartPayload{"e", 1, 2, 3, false}));
    EXPECT_EQ(start.decoded<EmptyPayload>(), EmptyPayload{});
    EXPECT_EQ(start.decoded<Probe>(), std::nullopt);

    const SignalObservation made(Signal("probe"), Probe{"x/y", "é", 0.1}, 5);
    EXPECT_EQ(made.decoded<Probe>(), (Probe{"x/y", "é", 0.1}));
}

TEST(SignalObservation, EqualityComparesEveryFieldAndPayloadAsText) {
    const SignalObservation base(5, Signal::wake, "{}");
    EXPECT_EQ(base, SignalObservation(5, Signal("system.wake"), "{}"));
    EXPECT_NE(base, SignalObservation(6, Signal::wake, "{}"));
    EXPECT_NE(base, SignalObservation(5, Signal::sleep, "{}"));
    EXPECT_NE(base, SignalObservation(5, Signal::wake, "{ }"));
}

} // namespace
} // namespace ostrel
