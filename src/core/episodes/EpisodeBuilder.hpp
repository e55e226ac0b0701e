#pragma once

// Cuts stored observations into one episode per trigger: how long the user stayed, what was
// already open, what they brought to the front in the first minutes, what they put away, where
// their windows stood and how the sound changed, with the context of the moment (classes around
// it, network, place, displays). Episodes are never stored, and every planning pass rebuilds all
// of them, so the builder sorts and indexes the observations once per call, finds every range by
// binary search and decodes a payload only when a rule needs it, and then only once.
//
// Every step is a pure function of its arguments. A payload that does not decode, or lacks the
// field a rule needs, contributes nothing to that rule; a snapshot, audio state or location that
// does not decode counts as absent (no earlier or later one is tried). Nothing throws. Sums and
// differences of times saturate at the ends of int64, so extreme stored timestamps compare as
// the huge values they are.

#include "core/calendar/CalendarEvent.hpp"
#include "core/episodes/Context.hpp"
#include "core/episodes/Episode.hpp"
#include "core/episodes/Item.hpp"
#include "core/episodes/Setting.hpp"
#include "core/episodes/Trigger.hpp"
#include "core/observations/AudioPayload.hpp"
#include "core/observations/Signal.hpp"
#include "core/observations/SignalObservation.hpp"
#include "core/observations/WindowPayload.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace ostrel::EpisodeBuilder {

// Milliseconds.
// An activity gap at least this long ends an episode, and so does a boundary at least this close
// to the last activity.
inline constexpr std::int64_t activityGap = 600'000;
// The setup window after the trigger ...
inline constexpr std::int64_t setupWindow = 300'000;
// ... widened to this when something is brought up in its last minute, which starts here.
inline constexpr std::int64_t widenedSetupWindow = 480'000;
inline constexpr std::int64_t lastMinute = 240'000;
// Snapshots of running apps, windows, displays and Wi-Fi taken this long after the trigger still
// describe the moment of the trigger.
inline constexpr std::int64_t snapshotReach = 5'000;
// Calendar events starting up to this long after the trigger belong to its context.
inline constexpr std::int64_t eventLead = 900'000;
// The largest distance between the trigger and a location that describes it.
inline constexpr std::int64_t locationReach = 120'000;
// Bring-ups of a run's items this long after a run that was undone are the run's, not the user's.
inline constexpr std::int64_t undoneRunReach = 20'000;

// "system.sleep", "screen.lock": end an episode at once.
const std::set<Signal>& endsEpisode();
// The 13 app, tab and window signals that count as the user being active.
const std::set<Signal>& activity();
// The window events whose payloads move windows: focus, open, frame, change, unminimize.
const std::set<Signal>& layoutSignals();

// The moment an item was brought to the front.
struct BringUp {
    std::int64_t ts;
    Item item;

    friend bool operator==(const BringUp&, const BringUp&) = default;
};

// The observations with first <= ts <= last.
struct Interval {
    std::int64_t first = 0;
    std::int64_t last = 0;
};

// The observations of one build: sorted by ts once (stably, so equal times keep their given
// order) and indexed by signal. Payloads are decoded on first use and kept, so each is decoded at
// most once however many triggers read it. It borrows the observations, which must outlive it,
// and keeps caches, so one thread uses it at a time; every step below reads it.
class Timeline {
public:
    explicit Timeline(std::span<const SignalObservation> observations);
    ~Timeline();
    Timeline(const Timeline&) = delete;
    Timeline& operator=(const Timeline&) = delete;

    // The index and its caches; defined in the builder's source only.
    struct Index;
    Index& index() const { return *index_; }

private:
    std::unique_ptr<Index> index_;
};

// One episode per trigger, in trigger time order (stable for equal times). The inputs may come in
// any order.
std::vector<Episode> episodes(std::span<const Trigger> triggers,
                              std::span<const SignalObservation> observations,
                              std::span<const CalendarEvent> calendar);

// The end of an episode that starts at `after`: the last activity before a gap of activityGap or
// more; else the boundary when it is closer than activityGap to the last activity; else the last
// activity (the trigger itself when there was none). activity is in time order.
std::int64_t end(std::int64_t after, std::optional<std::int64_t> before,
                 std::span<const std::int64_t> activity);

// The bring-ups among the observations within `window`, in order: an activated app, a focused or
// changed window's document (else its note), a browser tab's page.
std::vector<BringUp> bringUps(const Timeline& in, Interval window);

// The bring-ups minus those of an item that a run listed and that came at most undoneRunReach
// after that run, when the run was undone ("quev.undo" anywhere in the observations).
std::vector<BringUp> withoutUndoneRuns(std::vector<BringUp> bringUps, const Timeline& observations);

// The end of the setup window: setupWindow after the trigger, or widenedSetupWindow when a
// bring-up falls in [lastMinute, setupWindow) after it; never past the episode's end.
std::int64_t setupWindowEnd(std::int64_t trigger, std::int64_t episodeEnd, std::span<const BringUp> bringUps);

// What was open at `at`: the last running-apps and windows snapshots up to snapshotReach after it,
// with the events stamped at or before `at` and listed after the snapshot of their kind applied on
// top (launches and quits to the apps; window opens, closes and app quits to the windows); apps
// first, then the windows' documents and notes, without repeats.
std::vector<Item> openItems(std::int64_t at, const Timeline& in);

// The context of `at`: the events starting at most eventLead after it and ending after it (by
// start), the last displays and Wi-Fi snapshot up to snapshotReach after it, and the earliest
// location within locationReach of it.
Context context(std::int64_t at, std::vector<Item> open, std::span<const CalendarEvent> calendar,
                const Timeline& observations);

// The last frame seen of each app, document and note: the windows of the last "windows" snapshot
// up to snapshotReach after `at`, then the window events among the observations within `events`.
std::unordered_map<Item, WindowPayload::Frame> layout(std::int64_t at, const Timeline& snapshotFrom,
                                                      Interval events);

// The audio state at a moment: the last "audio" observation at or before it, when it decodes.
std::optional<AudioPayload> audio(std::int64_t at, const Timeline& in);

// The sound settings of the state at `to` that differ from the state at `from`, in the order
// output, volume, muted; every known value when nothing was known at `from`.
std::vector<Setting> settings(std::int64_t from, std::int64_t to, const Timeline& in);

// Without repeats, first occurrences kept in order; equal as Unicode text.
std::vector<Item> unique(std::vector<Item> items);
std::vector<std::string> unique(std::vector<std::string> texts);

} // namespace ostrel::EpisodeBuilder
