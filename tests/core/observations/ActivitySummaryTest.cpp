#include "core/observations/ActivitySummary.hpp"

#include "core/browsing/TabPayload.hpp"
#include "core/observations/AppPayload.hpp"
#include "core/observations/WindowPayload.hpp"
#include "support/Printers.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using Used = ActivitySummary::Used;
using App = ActivitySummary::App;
using Document = ActivitySummary::Document;
using Note = ActivitySummary::Note;
using Site = ActivitySummary::Site;

SignalObservation activate(std::int64_t ts, std::optional<std::string> bundleID) {
    const AppPayload payload =
        bundleID ? AppPayload(bundleID, std::nullopt, std::nullopt, std::nullopt) : AppPayload::excludedApp;
    return {ts, Signal::appActivate, json::encodeRecord(payload)};
}

SignalObservation window(std::int64_t ts, const Signal& signal, std::string bundleID,
                         std::optional<std::string> document, std::optional<std::string> title) {
    WindowPayload payload;
    payload.bundleID = std::move(bundleID);
    payload.document = std::move(document);
    payload.title = std::move(title);
    return {ts, signal, json::encodeRecord(payload)};
}

SignalObservation tab(std::int64_t ts, std::optional<std::string> site) {
    const TabPayload payload =
        site ? TabPayload{site, std::nullopt, std::nullopt} : TabPayload{std::nullopt, std::nullopt, true};
    return {ts, Signal::browserTab, json::encodeRecord(payload)};
}

SignalObservation bare(std::int64_t ts, const Signal& signal) {
    return {ts, signal, "{}"};
}

TEST(ActivitySummary, NamesEachThingUsedOnceNewestFirst) {
    const std::string cafe = "Caf\u00e9";       // composed
    const std::string cafeParts = "Cafe\u0301"; // the same text decomposed
    const struct {
        const char* name;
        std::vector<SignalObservation> observations;
        std::vector<Used> expected;
    } cases[] = {
        {"nothing", {}, {}},
        {"only system signals", {bare(1, Signal::sleep), bare(2, Signal::wake), bare(3, Signal::lock)}, {}},
        {"A, B, A oldest first",
         {activate(1, "a"), activate(2, "b"), activate(3, "a")},
         {App{"a"}, App{"b"}}},
        {"given in any order", {activate(3, "a"), activate(1, "a"), activate(2, "b")}, {App{"a"}, App{"b"}}},
        {"at equal times the earlier in the list is newer",
         {activate(5, "x"), activate(5, "y"), activate(5, "x")},
         {App{"x"}, App{"y"}}},
        {"document wins over title",
         {window(1, Signal::windowFocus, "ed", "/tmp/essay.txt", "Essay")},
         {Document{"/tmp/essay.txt"}}},
        {"window with neither", {window(1, Signal::windowChange, "ed", std::nullopt, std::nullopt)}, {}},
        {"same title in two apps",
         {window(1, Signal::windowFocus, "notes", std::nullopt, "Physics"),
          window(2, Signal::windowChange, "pages", std::nullopt, "Physics")},
         {Note{"pages", "Physics"}, Note{"notes", "Physics"}}},
        {"other window signals give nothing",
         {window(1, Signal::windowOpen, "ed", "/tmp/a", std::nullopt),
          window(2, Signal::windowClose, "ed", "/tmp/b", std::nullopt)},
         {}},
        {"excluded app and excluded tab", {activate(1, std::nullopt), tab(2, std::nullopt)}, {}},
        {"sites",
         {tab(1, "school.example"), tab(2, "wiki.example"), tab(3, "school.example")},
         {Site{"school.example"}, Site{"wiki.example"}}},
        {"the same text as a document path and a site stays two things",
         {tab(1, "a"), window(2, Signal::windowFocus, "ed", "a", std::nullopt), activate(3, "a")},
         {App{"a"}, Document{"a"}, Site{"a"}}},
        {"payloads that do not decode count for nothing",
         {SignalObservation(1, Signal::appActivate, "{\"bundleID\":7}"),
          SignalObservation(2, Signal::windowFocus, "not json"),
          SignalObservation(3, Signal::browserTab, "[]")},
         {}},
        {"canonically equal texts are one thing",
         {window(1, Signal::windowFocus, "notes", std::nullopt, cafe),
          window(2, Signal::windowFocus, "notes", std::nullopt, cafeParts)},
         {Note{"notes", cafeParts}}},
    };
    for (const auto& c : cases) {
        const ActivitySummary summary(c.observations);
        EXPECT_EQ(summary.items, c.expected) << c.name;
        EXPECT_EQ(summary.noticed, static_cast<std::int64_t>(c.observations.size())) << c.name;
    }
}

TEST(ActivitySummary, LastNoticedIsTheLargestTimeOfAnySignal) {
    EXPECT_EQ(ActivitySummary(std::vector<SignalObservation>{}).lastNoticed, std::nullopt);
    const std::vector<SignalObservation> observations{activate(20, "a"), bare(90, Signal::lock),
                                                      bare(-5, Signal::wake), tab(40, "x.example")};
    const ActivitySummary summary(observations);
    EXPECT_EQ(summary.lastNoticed, 90);
    EXPECT_EQ(summary.noticed, 4);
    EXPECT_EQ(summary.items, (std::vector<Used>{Site{"x.example"}, App{"a"}}));
}

} // namespace
} // namespace ostrel
