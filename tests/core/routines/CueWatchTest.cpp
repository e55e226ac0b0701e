#include "core/routines/CueWatch.hpp"

#include "core/observations/Signal.hpp"
#include "support/CueObservations.hpp"
#include "support/Printers.hpp"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::devices;
using test::displays;
using test::wifi;

struct Step {
    SignalObservation observation;
    std::vector<CueEvent> events;
};

void play(const std::vector<Step>& steps) {
    CueWatch watch;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE("step " + std::to_string(i) + ": " + steps[i].observation.payload);
        EXPECT_EQ(watch.events(steps[i].observation), steps[i].events);
    }
}

TEST(CueWatch, AFreshWatchIsSeededByTheFirstObservationOfEachKind) {
    CueWatch watch;
    EXPECT_EQ(watch, CueWatch{});
    EXPECT_TRUE(watch.events(wifi("a1")).empty());
    EXPECT_TRUE(watch.events(displays({"X", "Y"})).empty());
    EXPECT_TRUE(watch.events(devices({"H"})).empty());
    EXPECT_EQ(watch.network, std::optional<std::optional<std::string>>(std::string("a1")));
    EXPECT_EQ(watch.displays, (std::set<std::string>{"X", "Y"}));
    EXPECT_EQ(watch.devices, (std::set<std::string>{"H"}));

    // Seeding with no network still counts as observed: joining one afterwards is a happening.
    CueWatch offline;
    EXPECT_TRUE(offline.events(wifi(nullptr)).empty());
    EXPECT_EQ(offline.network, std::optional<std::optional<std::string>>(std::in_place, std::nullopt));
    EXPECT_EQ(offline.events(wifi("b2")), std::vector<CueEvent>{CueEvent::wifi("b2")});
}

TEST(CueWatch, NetworksCountWhenJoinedAfterNoneOrAnother) {
    play({
        {wifi("A"), {}},
        {wifi("A"), {}},
        {wifi("B"), {CueEvent::wifi("B")}},
        {wifi(nullptr), {}},
        {wifi("B"), {CueEvent::wifi("B")}},
        {wifi("A"), {CueEvent::wifi("A")}},
    });
}

TEST(CueWatch, DisplaysAndDevicesCountWhenNewlyConnectedInAscendingOrder) {
    play({
        {displays({"X"}), {}},
        {displays({"X", "Z", "Y"}), {CueEvent::display("Y"), CueEvent::display("Z")}},
        {displays({"Y"}), {}},
        {displays({"Y", "X"}), {CueEvent::display("X")}},
        {displays({"Y", "X", ""}), {}}, // a display without a UUID is never a happening
    });
    play({
        {devices({}), {}},
        {devices({"Speakers", "Headphones"}),
         {CueEvent::audioDevice("Headphones"), CueEvent::audioDevice("Speakers")}},
        {devices({"Speakers"}), {}},
        {devices({"Speakers", "Headphones"}), {CueEvent::audioDevice("Headphones")}},
    });
    // Displays and devices are watched apart: a display seed does not seed the devices.
    play({
        {displays({"X"}), {}},
        {devices({"X"}), {}},
        {displays({"X", "H"}), {CueEvent::display("H")}},
    });
}

TEST(CueWatch, EveryLaunchOfANamedAppCounts) {
    const SignalObservation notes{0, Signal::appLaunch, R"({"bundleID":"com.apple.Notes","name":"Notes"})"};
    play({
        {notes, {CueEvent::app("com.apple.Notes")}},
        {notes, {CueEvent::app("com.apple.Notes")}},
        {{0, Signal::appLaunch, R"({"excluded":true})"}, {}},
        {{0, Signal::appActivate, R"({"bundleID":"com.apple.Notes"})"}, {}},
    });
}

TEST(CueWatch, UndecodableOrOtherObservationsChangeNothing) {
    CueWatch watch;
    watch.events(wifi("A"));
    watch.events(displays({"X"}));
    watch.events(devices({"H"}));
    const CueWatch before = watch;
    const SignalObservation ignored[] = {
        {0, Signal::wifi, R"({"network":1})"},
        {0, Signal::wifi, "not json"},
        {0, Signal::displays, R"({"displays":[{"uuid":"Z"}]})"},
        {0, Signal::audioDevices, R"({"devices":"H"})"},
        {0, Signal::appLaunch, R"({"bundleID":7})"},
        {0, Signal::unlock, "{}"},
        {0, Signal("display"), R"({"displays":[]})"},
    };
    for (const SignalObservation& observation : ignored) {
        SCOPED_TRACE(observation.signal.rawValue + " " + observation.payload);
        EXPECT_TRUE(watch.events(observation).empty());
        EXPECT_EQ(watch, before);
    }
}

TEST(CueEvent, EqualWhenTheSameCaseWithEqualText) {
    EXPECT_EQ(CueEvent::time(), CueEvent::time());
    EXPECT_EQ(CueEvent::app("caf\u00e9"), CueEvent::app("cafe\u0301"));
    EXPECT_NE(CueEvent::app("x"), CueEvent::display("x"));
    EXPECT_NE(CueEvent::wifi("ab"), CueEvent::wifi("AB"));
    EXPECT_NE(CueEvent::audioDevice("x"), CueEvent::time());
}

} // namespace
} // namespace ostrel
