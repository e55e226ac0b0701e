#pragma once

// Weekly classes written straight into a store: each class's calendar event and its start as a
// trigger, what the user brought up after it started, and their answers. What the planning tests
// and the autopilot's tests learn routines from.

#include "core/episodes/Item.hpp"
#include "core/episodes/Trigger.hpp"
#include "core/foundation/Json.hpp"
#include "core/learning/AnswerPayload.hpp"
#include "core/store/Store.hpp"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace ostrel::test {

class ClassHistory {
public:
    static constexpr std::int64_t minute = 60'000;
    static constexpr std::int64_t day = 1'440 * minute;
    static constexpr std::int64_t week = 7 * day;
    // Monday 7 September 2026, 09:30 in Berlin: the first of the weekly classes.
    static constexpr std::int64_t firstClass = 1'788'766'200'000;
    static constexpr std::int64_t classLength = 90 * minute;

    explicit ClassHistory(Store& store) : store_(store) {}

    static std::int64_t classStart(int n) { return firstClass + n * week; }
    static Trigger classTrigger(int n) { return {classStart(n), Trigger::Kind::eventStart}; }

    // The n-th week's class (maths unless said otherwise) with its start stored as a trigger; the
    // series is known from the day before the first class.
    void classHeld(int n, const std::string& key = "maths", const std::string& title = "Maths") {
        const std::int64_t start = classStart(n);
        const CalendarEvent event{key,      start,    true, title, start, start + classLength,
                                  "Room 1", "School", {}};
        store_.syncCalendar(std::vector{event}, start, start + 1, firstClass - day);
        store_.insert(std::vector{classTrigger(n)});
    }

    // What the user brought to the front just after the n-th class started, in this order.
    void broughtUp(int n, const std::vector<Item>& items) {
        std::vector<SignalObservation> observations;
        std::int64_t at = classStart(n) + 1'000;
        for (const Item& item : items) {
            at += 1'000;
            if (const auto* a = std::get_if<Item::App>(&item.value())) {
                observations.push_back({at, Signal::appActivate, R"({"bundleID":")" + a->bundleID + R"("})"});
            } else if (const auto* d = std::get_if<Item::Document>(&item.value())) {
                observations.push_back(
                    {at, Signal::windowFocus,
                     R"({"bundleID":"com.example.Reader","document":")" + d->path + R"("})"});
            } else if (const auto* p = std::get_if<Item::Page>(&item.value())) {
                observations.push_back({at, Signal::browserTab, R"({"url":")" + p->url + R"("})"});
            }
        }
        store_.append(observations);
    }

    void answered(std::int64_t at, const std::string& routine, AnswerPayload::Answer answer) {
        store_.append(std::vector<SignalObservation>{
            {at, Signal::quevAnswer, json::encodeRecord(AnswerPayload{routine, answer})}});
    }

    // Three classes in which the user brought up the browser and the slides, and the fourth held.
    void threeClassesOfSlides(const Item& browser, const Item& slides) {
        for (int n = 0; n < 3; ++n) {
            classHeld(n);
            broughtUp(n, {browser, slides});
        }
        classHeld(3);
    }

private:
    Store& store_;
};

} // namespace ostrel::test
