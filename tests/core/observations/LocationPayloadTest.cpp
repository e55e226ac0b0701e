#include "core/observations/LocationPayload.hpp"

#include <limits>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

TEST(LocationPayload, RoundsCoordinatesToFourDecimalsAndAccuracyToMetres) {
    const struct {
        double latitude, longitude, accuracy;
        LocationPayload expected;
    } cases[] = {
        {12.34567, -1.23456, 12.5, {12.3457, -1.2346, 13}},
        {-33.86785, 151.20732, 65.0, {-33.8679, 151.2073, 65}},
        {90, -180, 0.49, {90, -180, 0}},
        {0, 0, -12.5, {0, 0, -13}},             // halves away from zero on both sides
        {1e300, -1e300, 5, {1e300, -1e300, 5}}, // too large to scale: kept, not turned infinite
        {0, 0, -9223372036854775808.0, {0, 0, std::numeric_limits<std::int64_t>::min()}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LocationPayload::make(c.latitude, c.longitude, c.accuracy), c.expected) << c.latitude;
    }
    EXPECT_EQ(json::encodeRecord(*LocationPayload::make(12.34567, -1.23456, 12.5)),
              R"({"accuracy":13,"latitude":12.3457,"longitude":-1.2346})");
}

TEST(LocationPayload, AnAccuracyWithoutIntegerFormGivesNoPayload) {
    for (const double accuracy : {nan, inf, -inf, 9223372036854775808.0, -9223372036854777856.0, 1e300}) {
        EXPECT_EQ(LocationPayload::make(1, 2, accuracy), std::nullopt) << accuracy;
    }
}

TEST(LocationPayload, ANonFiniteCoordinateIsKeptAndRefusedWhenEncoding) {
    for (const double bad : {nan, inf}) {
        const auto payload = LocationPayload::make(bad, 0, 10);
        ASSERT_TRUE(payload);
        EXPECT_THROW(json::encodeRecord(*payload), json::EncodingError);
    }
}

TEST(LocationPayload, DecodesAsWrittenAndStrictly) {
    const struct {
        const char* text;
        std::optional<LocationPayload> expected;
    } cases[] = {
        {R"({"latitude":12.34567,"longitude":1,"accuracy":7})",
         LocationPayload{12.34567, 1, 7}}, // no rounding
        {R"({"latitude":1,"longitude":2,"accuracy":3,"altitude":4})", LocationPayload{1, 2, 3}},
        {R"({"longitude":2,"accuracy":3})", std::nullopt},
        {R"({"latitude":1,"accuracy":3})", std::nullopt},
        {R"({"latitude":1,"longitude":2})", std::nullopt},
        {R"({"latitude":null,"longitude":2,"accuracy":3})", std::nullopt},
        {R"({"latitude":"1","longitude":2,"accuracy":3})", std::nullopt},
        {R"({"latitude":1,"longitude":true,"accuracy":3})", std::nullopt},
        {R"({"latitude":1,"longitude":2,"accuracy":3.5})", std::nullopt},
        {R"({"latitude":1,"longitude":2,"accuracy":"3"})", std::nullopt},
        {R"([1,2,3])", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(json::tryDecodeRecord<LocationPayload>(c.text), c.expected) << c.text;
    }
}

} // namespace
} // namespace ostrel
