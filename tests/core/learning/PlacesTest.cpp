#include "core/learning/Places.hpp"
#include "core/observations/LocationPayload.hpp"
#include "core/observations/SignalObservation.hpp"

#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <locale>
#include <optional>

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace ostrel {
namespace {

// Runs a body under a process locale whose decimal separator is a comma, the way a desktop in
// German would. The locale is compiled into a temporary folder, so the machine needs none
// installed; without localedef the caller skips.
class CommaLocale {
public:
    bool start() {
        try {
            const auto result = test::runProgram(
                "/usr/bin/localedef", {"-i", "de_DE", "-f", "UTF-8", (dir_ / "de_DE.UTF-8").string()});
            if (result.status != 0 && result.status != 1) { // 1: warnings only
                return false;
            }
        } catch (const std::exception&) {
            return false;
        }
        ::setenv("LOCPATH", dir_.path().c_str(), 1);
        // glibc keeps the parsed LOCPATH for good; that is not ours to free.
#if defined(__SANITIZE_ADDRESS__)
        __lsan::ScopedDisabler keepsLocalePath;
#endif
        if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
            return false;
        }
        active_ = true;
        std::locale::global(std::locale("de_DE.UTF-8"));
        return true;
    }
    ~CommaLocale() {
#if defined(__SANITIZE_ADDRESS__)
        __lsan::ScopedDisabler keepsLocalePath;
#endif
        if (active_) {
            std::locale::global(std::locale::classic());
            std::setlocale(LC_ALL, "C");
        }
        ::unsetenv("LOCPATH");
    }

private:
    test::TempDir dir_;
    bool active_ = false;
};

LocationPayload at(double latitude, double longitude) {
    return {latitude, longitude, 10};
}

TEST(Places, PlaceIdsHaveFourDecimalsAndAPoint) {
    const struct {
        double latitude, longitude;
        const char* id;
    } cases[] = {
        {48.8566, 2.3522, "place:48.8566,2.3522"},
        {-33.8688, 151.2093, "place:-33.8688,151.2093"},
        {52.5, 13.0, "place:52.5000,13.0000"},
        {0.0, -0.0, "place:0.0000,-0.0000"},
        {-0.00004, 0.00005, "place:-0.0000,0.0001"}, // 0.00005 is a little above 5e-5 as a double
        {89.99996, -179.99996, "place:90.0000,-180.0000"},
        {1e6, -1e-20, "place:1000000.0000,-0.0000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Places::placeId(c.latitude, c.longitude), c.id);
    }
}

TEST(Places, APlaceIdIsTheSameBeforeAndAfterStoring) {
    // Near the equator and the meridian coordinates round to a negative zero, whose id keeps the
    // sign; storing must not turn "-0.0000" into "0.0000".
    const struct {
        double latitude, longitude;
        const char* id;
    } cases[] = {
        {-0.00004, 2.0, "place:-0.0000,2.0000"},
        {-0.0, -0.0, "place:-0.0000,-0.0000"},
        {0.0, -0.00001, "place:0.0000,-0.0000"},
        {-12.5, 0.0, "place:-12.5000,0.0000"},
    };
    for (const auto& c : cases) {
        const auto payload = LocationPayload::make(c.latitude, c.longitude, 10);
        ASSERT_TRUE(payload);
        const SignalObservation stored(Signal::location, *payload, 0);
        const auto decoded = stored.decoded<LocationPayload>();
        ASSERT_TRUE(decoded) << stored.payload;
        const LocationPayload& read = *decoded;
        EXPECT_EQ(Places::placeId(payload->latitude, payload->longitude), c.id);
        EXPECT_EQ(Places::placeId(read.latitude, read.longitude), c.id) << stored.payload;
        EXPECT_EQ(std::signbit(read.latitude), std::signbit(payload->latitude)) << stored.payload;
        EXPECT_EQ(std::signbit(read.longitude), std::signbit(payload->longitude)) << stored.payload;
    }
}

TEST(Places, PlaceIdsMatchTheCFormatWhateverTheProcessLocale) {
    const double values[] = {48.8566, -33.8688, 52.5,    0.0,      -0.0,
                             0.00005, 0.00015,  0.00025, -1.23456, 123.45675};
    const auto cFormat = [](double latitude, double longitude) {
        char buffer[128];
        std::snprintf(buffer, sizeof buffer, "place:%.4f,%.4f", latitude, longitude);
        return std::string(buffer);
    };
    for (const double latitude : values) {
        for (const double longitude : values) {
            EXPECT_EQ(Places::placeId(latitude, longitude), cFormat(latitude, longitude));
        }
    }

    CommaLocale comma;
    if (!comma.start()) {
        GTEST_SKIP() << "no way to build a locale with a decimal comma here";
    }
    char probe[32];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_STREQ(probe, "1,5"); // the C library now writes a comma
    EXPECT_EQ(Places::placeId(48.8566, 2.3522), "place:48.8566,2.3522");
    EXPECT_EQ(Places::placeId(-33.8688, 1234567.5), "place:-33.8688,1234567.5000");
}

TEST(Places, FirstAnchorWithinReachDecidesAndNeedsTwoVisits) {
    Places places;
    EXPECT_FALSE(places.place(at(48.8566, 2.3522)));

    // Two anchors 200 m apart along a meridian; a query between them is within 150 m of both.
    const double metresPerDegree = Places::earthDiameter / 2 * Places::degreesToRadians;
    const LocationPayload first = at(48.8566, 2.3522);
    const LocationPayload second = at(48.8566 + 200 / metresPerDegree, 2.3522);
    const LocationPayload between = at(48.8566 + 100 / metresPerDegree, 2.3522);
    places.anchors = {{first, 1}, {second, 5}};
    EXPECT_FALSE(places.place(between)); // the first anchor decides, though seen once
    places.anchors = {{first, 2}, {second, 5}};
    EXPECT_EQ(places.place(between), "place:48.8566,2.3522");
    places.anchors = {{second, 2}, {first, 2}};
    EXPECT_EQ(places.place(between), Places::placeId(second.latitude, second.longitude));
    EXPECT_FALSE(places.place(at(48.8566 + 400 / metresPerDegree, 2.3522)));
}

TEST(Places, ReachIncludesExactlyOneHundredFiftyMetres) {
    // Find a latitude whose distance from an anchor on the equator is exactly 150.0 m; near zero
    // the latitudes are fine enough to hit it.
    const LocationPayload anchor = at(0.0, 20.0);
    const double metresPerDegree = Places::earthDiameter / 2 * Places::degreesToRadians;
    const double estimate = 150.0 / metresPerDegree;
    std::optional<double> exact;
    double below = estimate;
    double above = estimate;
    for (int step = 0; step < 100000 && !exact; ++step) {
        for (const double latitude : {below, above}) {
            if (Places::distance(at(latitude, 20.0), anchor) == 150.0) {
                exact = latitude;
            }
        }
        below = std::nextafter(below, 0.0);
        above = std::nextafter(above, 1.0);
    }
    ASSERT_TRUE(exact) << "no latitude at exactly 150 m";

    const Places places{{{anchor, 2}}};
    EXPECT_EQ(places.place(at(*exact, 20.0)), "place:0.0000,20.0000");
    EXPECT_EQ(places.place(at(-*exact, 20.0)), "place:0.0000,20.0000");
    EXPECT_FALSE(places.place(at(150.1 / metresPerDegree, 20.0)));
}

Episode episodeAt(std::int64_t ts, std::optional<LocationPayload> location) {
    Episode episode{Trigger{ts, Trigger::Kind::unlock}, ts, ts + 1000, {}, {}};
    episode.context.location = location;
    return episode;
}

TEST(Places, AnchorsFormFromEpisodeLocationsInTimeOrder) {
    EXPECT_TRUE(Places(std::vector<Episode>{}).anchors.empty());
    const Places withoutLocations(
        std::vector<Episode>{episodeAt(1, std::nullopt), episodeAt(2, std::nullopt)});
    EXPECT_TRUE(withoutLocations.anchors.empty());
    EXPECT_FALSE(withoutLocations.place(at(48.8566, 2.3522)));

    // 0.0009 degrees of latitude is about 100 m.
    const LocationPayload home = at(48.8566, 2.3522);
    const LocationPayload nearHome = at(48.8575, 2.3522);
    const LocationPayload library = at(48.8600, 2.3522); // about 380 m north

    const Places once(std::vector<Episode>{episodeAt(10, home)});
    EXPECT_EQ(once.anchors, (std::vector<Places::Anchor>{{home, 1}}));
    EXPECT_FALSE(once.place(home));

    const Places twice(
        std::vector<Episode>{episodeAt(10, home), episodeAt(20, std::nullopt), episodeAt(30, nearHome)});
    EXPECT_EQ(twice.anchors, (std::vector<Places::Anchor>{{home, 2}}));
    EXPECT_EQ(twice.place(nearHome), "place:48.8566,2.3522"); // named by the first location
    EXPECT_FALSE(twice.place(library));

    // Given out of time order: the earliest location still creates the anchor; equal times keep
    // their given order.
    const std::vector<Episode> shuffled = {episodeAt(30, nearHome), episodeAt(50, library),
                                           episodeAt(10, home), episodeAt(50, home)};
    const std::vector<Episode> sorted = {episodeAt(10, home), episodeAt(30, nearHome), episodeAt(50, library),
                                         episodeAt(50, home)};
    EXPECT_EQ(Places(shuffled), Places(sorted));
    EXPECT_EQ(Places(sorted).anchors, (std::vector<Places::Anchor>{{home, 3}, {library, 1}}));
    const std::vector<Episode> tie = {episodeAt(50, library), episodeAt(50, home)};
    EXPECT_EQ(Places(tie).anchors, (std::vector<Places::Anchor>{{library, 1}, {home, 1}}));
}

TEST(Places, DistanceIsHaversineInMetres) {
    // One degree of longitude on the equator is a 360th of the circumference.
    EXPECT_NEAR(Places::distance(at(0, 0), at(0, 1)), Places::earthDiameter * M_PI / 360, 1e-6);
    EXPECT_EQ(Places::distance(at(48.8566, 2.3522), at(48.8566, 2.3522)), 0.0);
    // Antipodes: rounding may push the square root past one, which is capped.
    EXPECT_NEAR(Places::distance(at(0, 0), at(0, 180)), Places::earthDiameter * M_PI / 2, 1e-6);
    EXPECT_NEAR(Places::distance(at(90, 0), at(-90, 0)), Places::earthDiameter * M_PI / 2, 1e-6);
    // Paris to Berlin, about 878 km.
    EXPECT_NEAR(Places::distance(at(48.8566, 2.3522), at(52.52, 13.405)), 878e3, 2e3);
}

} // namespace
} // namespace ostrel
