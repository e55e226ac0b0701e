#include "core/episodes/EpisodeBuilder.hpp"

#include "core/browsing/TabPayload.hpp"
#include "core/foundation/Saturating.hpp"
#include "core/foundation/Text.hpp"
#include "core/foundation/UnicodeText.hpp"
#include "core/learning/RunPayload.hpp"
#include "core/learning/UndoPayload.hpp"
#include "core/observations/AppPayload.hpp"
#include "core/observations/DisplaysPayload.hpp"
#include "core/observations/LocationPayload.hpp"
#include "core/observations/RunningAppsPayload.hpp"
#include "core/observations/WiFiPayload.hpp"
#include "core/observations/WindowsPayload.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <iterator>
#include <limits>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <variant>

namespace ostrel::EpisodeBuilder {

namespace {

constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max();

using TextSet = std::unordered_set<std::string, text::Hash, text::Equal>;

// The signals any rule reads; every other signal only takes part in the ordering.
enum class Kind : std::uint8_t {
    other,
    sleep,
    lock,
    appLaunch,
    appActivate,
    appHide,
    appUnhide,
    appQuit,
    appsRunning,
    browserTab,
    windowFocus,
    windowOpen,
    windowClose,
    windowFrame,
    windowMinimize,
    windowUnminimize,
    windowChange,
    windows,
    displays,
    wifi,
    location,
    audio,
    quevRun,
    quevUndo,
};

constexpr std::size_t kindCount = static_cast<std::size_t>(Kind::quevUndo) + 1;

// Which of the named signal sets a kind belongs to, as bits.
enum SetBits : std::uint8_t { inEndsEpisode = 1, inActivity = 2, inLayout = 4 };

struct Kinds {
    std::unordered_map<std::string_view, Kind> byName;
    std::array<std::uint8_t, kindCount> sets{};
};

// Built once from the named sets, so that they stay the one place that says which signal ends an
// episode, counts as activity or moves windows.
const Kinds& kindTable() {
    static const Kinds table = [] {
        const std::pair<const Signal*, Kind> named[] = {
            {&Signal::sleep, Kind::sleep},
            {&Signal::lock, Kind::lock},
            {&Signal::appLaunch, Kind::appLaunch},
            {&Signal::appActivate, Kind::appActivate},
            {&Signal::appHide, Kind::appHide},
            {&Signal::appUnhide, Kind::appUnhide},
            {&Signal::appQuit, Kind::appQuit},
            {&Signal::appsRunning, Kind::appsRunning},
            {&Signal::browserTab, Kind::browserTab},
            {&Signal::windowFocus, Kind::windowFocus},
            {&Signal::windowOpen, Kind::windowOpen},
            {&Signal::windowClose, Kind::windowClose},
            {&Signal::windowFrame, Kind::windowFrame},
            {&Signal::windowMinimize, Kind::windowMinimize},
            {&Signal::windowUnminimize, Kind::windowUnminimize},
            {&Signal::windowChange, Kind::windowChange},
            {&Signal::windows, Kind::windows},
            {&Signal::displays, Kind::displays},
            {&Signal::wifi, Kind::wifi},
            {&Signal::location, Kind::location},
            {&Signal::audio, Kind::audio},
            {&Signal::quevRun, Kind::quevRun},
            {&Signal::quevUndo, Kind::quevUndo},
        };
        Kinds result;
        for (const auto& [signal, kind] : named) {
            result.byName.emplace(signal->rawValue, kind);
            std::uint8_t& sets = result.sets[static_cast<std::size_t>(kind)];
            sets |= endsEpisode().contains(*signal) ? inEndsEpisode : 0;
            sets |= activity().contains(*signal) ? inActivity : 0;
            sets |= layoutSignals().contains(*signal) ? inLayout : 0;
        }
        return result;
    }();
    return table;
}

Kind kindOf(const Kinds& table, const Signal& signal) {
    const auto found = table.byName.find(signal.rawValue);
    return found == table.byName.end() ? Kind::other : found->second;
}

using Payload =
    std::variant<std::monostate, AppPayload, RunningAppsPayload, WindowPayload, WindowsPayload, TabPayload,
                 AudioPayload, DisplaysPayload, WiFiPayload, LocationPayload, RunPayload, UndoPayload>;

template <class T>
Payload as(const SignalObservation& observation) {
    if (auto payload = observation.decoded<T>()) {
        return std::move(*payload);
    }
    return std::monostate{};
}

// Each signal has one payload record.
Payload decode(const SignalObservation& observation, Kind kind) {
    switch (kind) {
    case Kind::appLaunch:
    case Kind::appActivate:
    case Kind::appHide:
    case Kind::appUnhide:
    case Kind::appQuit:
        return as<AppPayload>(observation);
    case Kind::appsRunning:
        return as<RunningAppsPayload>(observation);
    case Kind::browserTab:
        return as<TabPayload>(observation);
    case Kind::windowFocus:
    case Kind::windowOpen:
    case Kind::windowClose:
    case Kind::windowFrame:
    case Kind::windowMinimize:
    case Kind::windowUnminimize:
    case Kind::windowChange:
        return as<WindowPayload>(observation);
    case Kind::windows:
        return as<WindowsPayload>(observation);
    case Kind::displays:
        return as<DisplaysPayload>(observation);
    case Kind::wifi:
        return as<WiFiPayload>(observation);
    case Kind::location:
        return as<LocationPayload>(observation);
    case Kind::audio:
        return as<AudioPayload>(observation);
    case Kind::quevRun:
        return as<RunPayload>(observation);
    case Kind::quevUndo:
        return as<UndoPayload>(observation);
    case Kind::other:
    case Kind::sleep:
    case Kind::lock:
        break;
    }
    return std::monostate{};
}

// The item a window shows: its document, else its note; nothing for a window with neither or one
// whose item would not read back.
std::optional<Item> windowItem(const WindowPayload& window) {
    if (window.document) {
        return Item::document(*window.document);
    }
    if (window.title) {
        return Item::note(window.bundleID, *window.title);
    }
    return std::nullopt;
}

// What tells two windows of an app apart when one closes.
const std::optional<std::string>& windowKey(const WindowPayload& window) {
    return window.document ? window.document : window.title;
}

} // namespace

// ---- The index --------------------------------------------------------------------------------

struct Timeline::Index {
    // The positions (in the sorted order) of some signals' observations, with their times apart
    // for binary search.
    struct List {
        std::vector<std::int64_t> ts;
        std::vector<std::size_t> at;

        void add(std::int64_t time, std::size_t position) {
            ts.push_back(time);
            at.push_back(position);
        }
        std::size_t size() const { return at.size(); }
        // The first entry with ts >= time, and with ts > time.
        std::size_t lowerBound(std::int64_t time) const {
            return static_cast<std::size_t>(std::lower_bound(ts.begin(), ts.end(), time) - ts.begin());
        }
        std::size_t upperBound(std::int64_t time) const {
            return static_cast<std::size_t>(std::upper_bound(ts.begin(), ts.end(), time) - ts.begin());
        }
        // The entries with first <= ts <= last.
        std::pair<std::size_t, std::size_t> within(Interval interval) const {
            const std::size_t from = lowerBound(interval.first);
            return {from, std::max(from, upperBound(interval.last))};
        }
        // The position of the last entry with ts <= time.
        std::optional<std::size_t> lastAtOrBefore(std::int64_t time) const {
            const std::size_t bound = upperBound(time);
            if (bound == 0) {
                return std::nullopt;
            }
            return at[bound - 1];
        }
        // The first entry listed after the given position (all of them when there is none).
        std::size_t firstAfter(std::optional<std::size_t> position) const {
            if (!position) {
                return 0;
            }
            return static_cast<std::size_t>(std::upper_bound(at.begin(), at.end(), *position) - at.begin());
        }
    };

    // The runs that were undone, by ts, each with the ids of the items it opened.
    struct UndoneRuns {
        bool anyUndone = false;
        std::vector<std::int64_t> ts;
        std::vector<TextSet> items;
    };

    // What openItems last replayed from one snapshot, so that the next trigger over the same
    // snapshot only applies the events since: a history without snapshots is then replayed once,
    // not once per trigger.
    template <class Open>
    struct Replay {
        bool valid = false;
        std::optional<std::size_t> snapshot;
        std::size_t applied = 0; // events at positions below this are applied
        std::size_t next = 0;    // the next event of the list to apply
        std::vector<Open> open;

        // Starts again from the snapshot unless the state is already that snapshot's, up to an
        // earlier moment.
        bool resume(std::optional<std::size_t> from, std::size_t applyBelow) {
            if (valid && snapshot == from && applied <= applyBelow) {
                return true;
            }
            *this = {};
            valid = true;
            snapshot = from;
            return false;
        }
    };

    std::vector<const SignalObservation*> sorted;
    std::vector<std::int64_t> ts;
    std::vector<Kind> kinds;

    List ends;            // sleep, lock
    List activity;        // the activity signals
    List bringUps;        // app.activate, window.focus, window.change, browser.tab
    List putAway;         // app.hide, app.quit, window.minimize
    List layoutEvents;    // the layout signals
    List appEvents;       // app.launch, app.quit
    List windowEvents;    // window.open, window.close, app.quit
    List appsSnapshots;   // apps.running
    List windowSnapshots; // windows
    List displays;
    List wifi;
    List locations;
    List audio;
    List runs;
    List undos;

    std::vector<std::unique_ptr<Payload>> decoded; // by position; null until first read
    std::optional<UndoneRuns> undoneRuns;
    Replay<std::string> runningApps;          // bundle ids
    Replay<const WindowPayload*> openWindows; // into the decoded payloads, which never move

    explicit Index(std::span<const SignalObservation> observations);

    // The payload at a position, decoded on first use; null when it does not decode as T.
    template <class T>
    const T* payload(std::size_t position) {
        std::unique_ptr<Payload>& slot = decoded[position];
        if (!slot) {
            slot = std::make_unique<Payload>(decode(*sorted[position], kinds[position]));
        }
        return std::get_if<T>(slot.get());
    }

    const UndoneRuns& undone();
};

Timeline::Index::Index(std::span<const SignalObservation> observations) {
    // The store already gives them in time order; they are sorted only when they are not.
    sorted = sortedByTime(observations);
    ts.reserve(sorted.size());
    kinds.reserve(sorted.size());
    decoded.resize(sorted.size());
    const Kinds& table = kindTable();
    for (std::size_t position = 0; position < sorted.size(); ++position) {
        const std::int64_t time = sorted[position]->ts;
        const Kind kind = kindOf(table, sorted[position]->signal);
        ts.push_back(time);
        kinds.push_back(kind);
        const auto add = [&](List& list) { list.add(time, position); };
        const std::uint8_t sets = table.sets[static_cast<std::size_t>(kind)];
        if (sets & inEndsEpisode) {
            add(ends);
        }
        if (sets & inActivity) {
            add(activity);
        }
        if (sets & inLayout) {
            add(layoutEvents);
        }
        // What the other rules read.
        switch (kind) {
        case Kind::appLaunch:
            add(appEvents);
            break;
        case Kind::appActivate:
        case Kind::browserTab:
        case Kind::windowFocus:
        case Kind::windowChange:
            add(bringUps);
            break;
        case Kind::appHide:
        case Kind::windowMinimize:
            add(putAway);
            break;
        case Kind::appQuit:
            add(putAway);
            add(appEvents);
            add(windowEvents);
            break;
        case Kind::windowOpen:
        case Kind::windowClose:
            add(windowEvents);
            break;
        case Kind::appsRunning:
            add(appsSnapshots);
            break;
        case Kind::windows:
            add(windowSnapshots);
            break;
        case Kind::displays:
            add(displays);
            break;
        case Kind::wifi:
            add(wifi);
            break;
        case Kind::location:
            add(locations);
            break;
        case Kind::audio:
            add(audio);
            break;
        case Kind::quevRun:
            add(runs);
            break;
        case Kind::quevUndo:
            add(undos);
            break;
        case Kind::other:
        case Kind::sleep:
        case Kind::lock:
        case Kind::appUnhide:
        case Kind::windowFrame:
        case Kind::windowUnminimize:
            break;
        }
    }
}

const Timeline::Index::UndoneRuns& Timeline::Index::undone() {
    if (undoneRuns) {
        return *undoneRuns;
    }
    UndoneRuns result;
    TextSet undoneIds;
    for (const std::size_t position : undos.at) {
        if (const auto* undo = payload<UndoPayload>(position)) {
            undoneIds.insert(undo->run);
        }
    }
    result.anyUndone = !undoneIds.empty();
    if (result.anyUndone) {
        for (std::size_t i = 0; i < runs.size(); ++i) {
            const auto* run = payload<RunPayload>(runs.at[i]);
            if (run == nullptr || !undoneIds.contains(run->run)) {
                continue;
            }
            result.ts.push_back(runs.ts[i]);
            result.items.emplace_back(run->items.begin(), run->items.end());
        }
    }
    undoneRuns = std::move(result);
    return *undoneRuns;
}

Timeline::Timeline(std::span<const SignalObservation> observations)
    : index_(std::make_unique<Index>(observations)) {}

Timeline::~Timeline() = default;

// ---- Signal sets ------------------------------------------------------------------------------

const std::set<Signal>& endsEpisode() {
    static const std::set<Signal> signals = {Signal::sleep, Signal::lock};
    return signals;
}

const std::set<Signal>& activity() {
    static const std::set<Signal> signals = {
        Signal::appLaunch,   Signal::appActivate, Signal::appHide,        Signal::appUnhide,
        Signal::appQuit,     Signal::browserTab,  Signal::windowFocus,    Signal::windowOpen,
        Signal::windowClose, Signal::windowFrame, Signal::windowMinimize, Signal::windowUnminimize,
        Signal::windowChange};
    return signals;
}

const std::set<Signal>& layoutSignals() {
    static const std::set<Signal> signals = {Signal::windowFocus, Signal::windowOpen, Signal::windowFrame,
                                             Signal::windowChange, Signal::windowUnminimize};
    return signals;
}

// ---- Steps ------------------------------------------------------------------------------------

std::int64_t end(std::int64_t after, std::optional<std::int64_t> before,
                 std::span<const std::int64_t> activity) {
    std::int64_t last = after;
    for (const std::int64_t time : activity) {
        if (saturatingSub(time, last) >= activityGap) {
            return last;
        }
        last = time;
    }
    if (before && saturatingSub(*before, last) < activityGap) {
        return *before;
    }
    return last;
}

std::vector<BringUp> bringUps(const Timeline& in, Interval window) {
    Timeline::Index& index = in.index();
    std::vector<BringUp> result;
    const auto [from, to] = index.bringUps.within(window);
    for (std::size_t i = from; i < to; ++i) {
        const std::size_t position = index.bringUps.at[i];
        std::optional<Item> item;
        switch (index.kinds[position]) {
        case Kind::appActivate:
            if (const auto* app = index.payload<AppPayload>(position); app != nullptr && app->bundleID) {
                item = Item::app(*app->bundleID);
            }
            break;
        case Kind::windowFocus:
        case Kind::windowChange:
            if (const auto* window = index.payload<WindowPayload>(position)) {
                item = windowItem(*window);
            }
            break;
        case Kind::browserTab:
            if (const auto* tab = index.payload<TabPayload>(position); tab != nullptr && tab->url) {
                item = Item::page(*tab->url);
            }
            break;
        default:
            break;
        }
        if (item) {
            result.push_back({index.bringUps.ts[i], std::move(*item)});
        }
    }
    return result;
}

std::vector<BringUp> withoutUndoneRuns(std::vector<BringUp> bringUps, const Timeline& observations) {
    const Timeline::Index::UndoneRuns& undone = observations.index().undone();
    if (!undone.anyUndone || undone.ts.empty()) {
        return bringUps;
    }
    std::erase_if(bringUps, [&undone](const BringUp& bringUp) {
        // The runs with 0 <= bringUp.ts - run.ts <= undoneRunReach.
        auto run =
            std::lower_bound(undone.ts.begin(), undone.ts.end(), saturatingSub(bringUp.ts, undoneRunReach));
        std::optional<std::string> id;
        for (; run != undone.ts.end() && *run <= bringUp.ts; ++run) {
            if (!id) {
                id = bringUp.item.id();
            }
            if (undone.items[static_cast<std::size_t>(run - undone.ts.begin())].contains(*id)) {
                return true;
            }
        }
        return false;
    });
    return bringUps;
}

std::int64_t setupWindowEnd(std::int64_t trigger, std::int64_t episodeEnd,
                            std::span<const BringUp> bringUps) {
    const bool lastMinuteBringUp = std::any_of(bringUps.begin(), bringUps.end(), [trigger](const BringUp& b) {
        const std::int64_t since = saturatingSub(b.ts, trigger);
        return since >= lastMinute && since < setupWindow;
    });
    const std::int64_t window = lastMinuteBringUp ? widenedSetupWindow : setupWindow;
    return std::min(saturatingAdd(trigger, window), episodeEnd);
}

std::vector<Item> openItems(std::int64_t at, const Timeline& in) {
    Timeline::Index& index = in.index();
    const std::int64_t reach = saturatingAdd(at, snapshotReach);
    // Only events stamped at or before the moment itself are applied, and only those listed after
    // the snapshot of their kind: the snapshot's position alone decides what it already holds, so
    // an event listed after it is applied even at the same timestamp.
    const auto applyBelow =
        static_cast<std::size_t>(std::upper_bound(index.ts.begin(), index.ts.end(), at) - index.ts.begin());

    auto& apps = index.runningApps;
    const std::optional<std::size_t> appsSnapshot = index.appsSnapshots.lastAtOrBefore(reach);
    if (!apps.resume(appsSnapshot, applyBelow)) {
        if (appsSnapshot) {
            if (const auto* running = index.payload<RunningAppsPayload>(*appsSnapshot)) {
                for (const AppPayload& app : running->apps) {
                    if (app.bundleID) {
                        apps.open.push_back(*app.bundleID);
                    }
                }
            }
        }
        apps.next = index.appEvents.firstAfter(appsSnapshot);
    }
    for (; apps.next < index.appEvents.size() && index.appEvents.at[apps.next] < applyBelow; ++apps.next) {
        const std::size_t position = index.appEvents.at[apps.next];
        const auto* app = index.payload<AppPayload>(position);
        if (app == nullptr || !app->bundleID) {
            continue;
        }
        const auto same = [&app](const std::string& other) { return text::equal(other, *app->bundleID); };
        if (index.kinds[position] == Kind::appQuit) {
            std::erase_if(apps.open, same);
        } else if (std::none_of(apps.open.begin(), apps.open.end(), same)) {
            apps.open.push_back(*app->bundleID);
        }
    }
    apps.applied = applyBelow;

    auto& windows = index.openWindows;
    const std::optional<std::size_t> windowsSnapshot = index.windowSnapshots.lastAtOrBefore(reach);
    if (!windows.resume(windowsSnapshot, applyBelow)) {
        if (windowsSnapshot) {
            if (const auto* snapshot = index.payload<WindowsPayload>(*windowsSnapshot)) {
                for (const WindowPayload& window : snapshot->windows) {
                    windows.open.push_back(&window);
                }
            }
        }
        windows.next = index.windowEvents.firstAfter(windowsSnapshot);
    }
    for (; windows.next < index.windowEvents.size() && index.windowEvents.at[windows.next] < applyBelow;
         ++windows.next) {
        const std::size_t position = index.windowEvents.at[windows.next];
        if (index.kinds[position] == Kind::appQuit) {
            // A quit closes the app's windows; one listed before the windows snapshot is already
            // in it.
            const auto* app = index.payload<AppPayload>(position);
            if (app != nullptr && app->bundleID) {
                std::erase_if(windows.open, [&app](const WindowPayload* w) {
                    return text::equal(w->bundleID, *app->bundleID);
                });
            }
            continue;
        }
        const auto* window = index.payload<WindowPayload>(position);
        if (window == nullptr) {
            continue;
        }
        if (index.kinds[position] == Kind::windowOpen) {
            windows.open.push_back(window);
        } else {
            std::erase_if(windows.open, [&window](const WindowPayload* w) {
                return text::equal(w->bundleID, window->bundleID) &&
                       canonicallyEqual(windowKey(*w), windowKey(*window));
            });
        }
    }
    windows.applied = applyBelow;

    std::vector<Item> items;
    items.reserve(apps.open.size() + windows.open.size());
    for (const std::string& bundleID : apps.open) {
        if (auto item = Item::app(bundleID)) {
            items.push_back(std::move(*item));
        }
    }
    for (const WindowPayload* window : windows.open) {
        if (auto item = windowItem(*window)) {
            items.push_back(std::move(*item));
        }
    }
    return unique(std::move(items));
}

Context context(std::int64_t at, std::vector<Item> open, std::span<const CalendarEvent> calendar,
                const Timeline& observations) {
    Timeline::Index& index = observations.index();
    const std::int64_t reach = saturatingAdd(at, snapshotReach);
    Context result;

    if (const auto position = index.displays.lastAtOrBefore(reach)) {
        if (const auto* payload = index.payload<DisplaysPayload>(*position)) {
            for (const DisplaysPayload::Display& display : payload->displays) {
                if (display.uuid) {
                    result.displays.push_back(*display.uuid);
                } else {
                    char digits[16];
                    const auto written = std::to_chars(std::begin(digits), std::end(digits), display.id);
                    result.displays.emplace_back(digits, written.ptr);
                }
            }
            std::stable_sort(result.displays.begin(), result.displays.end(), text::Less{});
        }
    }

    const std::int64_t eventsUntil = saturatingAdd(at, eventLead);
    for (const CalendarEvent& event : calendar) {
        if (event.start <= eventsUntil && event.end > at) {
            result.events.push_back(event);
        }
    }
    std::stable_sort(result.events.begin(), result.events.end(),
                     [](const CalendarEvent& a, const CalendarEvent& b) { return a.start < b.start; });

    if (const auto position = index.wifi.lastAtOrBefore(reach)) {
        if (const auto* wifi = index.payload<WiFiPayload>(*position)) {
            result.network = wifi->network;
        }
    }

    // |ts - at| <= locationReach, without forming a difference that could overflow.
    const std::size_t nearest = index.locations.lowerBound(saturatingSub(at, locationReach));
    if (nearest < index.locations.size() && index.locations.ts[nearest] <= saturatingAdd(at, locationReach)) {
        if (const auto* location = index.payload<LocationPayload>(index.locations.at[nearest])) {
            result.location = *location;
        }
    }

    result.open = std::move(open);
    return result;
}

std::unordered_map<Item, WindowPayload::Frame> layout(std::int64_t at, const Timeline& snapshotFrom,
                                                      Interval events) {
    Timeline::Index& index = snapshotFrom.index();
    std::unordered_map<Item, WindowPayload::Frame> result;
    const auto place = [&result](const WindowPayload& window) {
        if (!window.frame) {
            return;
        }
        if (auto app = Item::app(window.bundleID)) {
            result[std::move(*app)] = *window.frame;
        }
        if (auto item = windowItem(window)) {
            result[std::move(*item)] = *window.frame;
        }
    };
    if (const auto position = index.windowSnapshots.lastAtOrBefore(saturatingAdd(at, snapshotReach))) {
        if (const auto* snapshot = index.payload<WindowsPayload>(*position)) {
            for (const WindowPayload& window : snapshot->windows) {
                place(window);
            }
        }
    }
    const auto [from, to] = index.layoutEvents.within(events);
    for (std::size_t i = from; i < to; ++i) {
        if (const auto* window = index.payload<WindowPayload>(index.layoutEvents.at[i])) {
            place(*window);
        }
    }
    return result;
}

std::optional<AudioPayload> audio(std::int64_t at, const Timeline& in) {
    Timeline::Index& index = in.index();
    const auto position = index.audio.lastAtOrBefore(at);
    if (!position) {
        return std::nullopt;
    }
    if (const auto* payload = index.payload<AudioPayload>(*position)) {
        return *payload;
    }
    return std::nullopt;
}

std::vector<Setting> settings(std::int64_t from, std::int64_t to, const Timeline& in) {
    const auto after = audio(to, in);
    if (!after) {
        return {};
    }
    const auto before = audio(from, in);
    std::vector<Setting> result;
    if (!before || !text::equal(before->deviceUID, after->deviceUID)) {
        result.push_back({Setting::Output{after->deviceUID}});
    }
    if (after->volume && !(before && before->volume == after->volume)) {
        result.push_back({Setting::Volume{*after->volume}});
    }
    if (after->muted && !(before && before->muted == after->muted)) {
        result.push_back({Setting::Muted{*after->muted}});
    }
    return result;
}

std::vector<Item> unique(std::vector<Item> items) {
    std::unordered_set<Item> seen;
    std::erase_if(items, [&seen](const Item& item) { return !seen.insert(item).second; });
    return items;
}

std::vector<std::string> unique(std::vector<std::string> texts) {
    TextSet seen;
    std::erase_if(texts, [&seen](const std::string& text) { return !seen.insert(text).second; });
    return texts;
}

// ---- Episodes ---------------------------------------------------------------------------------

namespace {

// The calendar events that may belong to the context of a trigger, kept up to date as the
// triggers move forward in time: each event enters once when its start comes within reach and
// leaves once it has ended, so the calendar is walked once for all triggers.
class UpcomingEvents {
public:
    explicit UpcomingEvents(std::span<const CalendarEvent> calendar) {
        byStart_.reserve(calendar.size());
        for (const CalendarEvent& event : calendar) {
            byStart_.push_back(&event);
        }
        std::stable_sort(byStart_.begin(), byStart_.end(),
                         [](const CalendarEvent* a, const CalendarEvent* b) { return a->start < b->start; });
    }

    // Called with non-decreasing times.
    std::vector<CalendarEvent> at(std::int64_t time) {
        const std::int64_t until = saturatingAdd(time, eventLead);
        for (; next_ < byStart_.size() && byStart_[next_]->start <= until; ++next_) {
            current_.push_back(byStart_[next_]);
        }
        std::erase_if(current_, [time](const CalendarEvent* event) { return event->end <= time; });
        std::vector<CalendarEvent> events;
        events.reserve(current_.size());
        for (const CalendarEvent* event : current_) {
            events.push_back(*event);
        }
        return events;
    }

private:
    std::vector<const CalendarEvent*> byStart_;
    std::size_t next_ = 0;
    std::vector<const CalendarEvent*> current_; // by start, stable
};

} // namespace

std::vector<Episode> episodes(std::span<const Trigger> triggers,
                              std::span<const SignalObservation> observations,
                              std::span<const CalendarEvent> calendar) {
    if (triggers.empty()) {
        return {};
    }
    std::vector<Trigger> sorted(triggers.begin(), triggers.end());
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Trigger& a, const Trigger& b) { return a.ts < b.ts; });

    const Timeline timeline(observations);
    Timeline::Index& index = timeline.index();
    UpcomingEvents upcoming(calendar);

    std::vector<Episode> result;
    result.reserve(sorted.size());
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        const std::int64_t start = sorted[i].ts;
        const std::optional<std::int64_t> next =
            i + 1 < sorted.size() ? std::optional(sorted[i + 1].ts) : std::nullopt;

        // The first sleep or lock strictly after the trigger and before the next one.
        std::optional<std::int64_t> boundary = next;
        const std::size_t firstEnd = index.ends.upperBound(start);
        if (firstEnd < index.ends.size() && index.ends.ts[firstEnd] < next.value_or(int64Max)) {
            boundary = index.ends.ts[firstEnd];
        }
        const std::size_t activityFrom = index.activity.lowerBound(start);
        const std::size_t activityTo =
            std::max(activityFrom, index.activity.lowerBound(boundary.value_or(int64Max)));
        const std::int64_t episodeEnd = end(
            start, boundary, std::span(index.activity.ts).subspan(activityFrom, activityTo - activityFrom));

        // Only bring-ups up to the normal window's end can widen it, and only those up to the
        // setup end count, so the later ones are read only when the window did widen.
        const std::int64_t normalEnd = std::min(episodeEnd, saturatingAdd(start, setupWindow));
        std::vector<BringUp> remaining = withoutUndoneRuns(bringUps(timeline, {start, normalEnd}), timeline);
        const std::int64_t setupEnd = setupWindowEnd(start, episodeEnd, remaining);
        if (setupEnd > normalEnd) {
            std::vector<BringUp> later =
                withoutUndoneRuns(bringUps(timeline, {normalEnd + 1, setupEnd}), timeline);
            std::move(later.begin(), later.end(), std::back_inserter(remaining));
        }

        Setup setup;
        for (const BringUp& bringUp : remaining) {
            if (bringUp.ts <= setupEnd) {
                setup.broughtUp.push_back(bringUp.item);
            }
        }
        setup.broughtUp = unique(std::move(setup.broughtUp));

        std::vector<Item> open = openItems(start, timeline);
        const std::unordered_set<Item> broughtUp(setup.broughtUp.begin(), setup.broughtUp.end());
        for (const Item& item : open) {
            if (!broughtUp.contains(item)) {
                setup.carried.push_back(item);
            }
        }
        Context where = context(start, std::move(open), upcoming.at(start), timeline);

        const auto [putAwayFrom, putAwayTo] = index.putAway.within({start, setupEnd});
        for (std::size_t j = putAwayFrom; j < putAwayTo; ++j) {
            const std::size_t position = index.putAway.at[j];
            if (index.kinds[position] == Kind::windowMinimize) {
                if (const auto* window = index.payload<WindowPayload>(position)) {
                    setup.putAway.push_back(window->bundleID);
                }
            } else if (const auto* app = index.payload<AppPayload>(position);
                       app != nullptr && app->bundleID) {
                setup.putAway.push_back(*app->bundleID);
            }
        }
        setup.putAway = unique(std::move(setup.putAway));
        setup.layout = layout(start, timeline, {start, setupEnd});
        setup.settings = settings(start, setupEnd, timeline);

        result.push_back({sorted[i], start, episodeEnd, std::move(where), std::move(setup)});
    }
    return result;
}

} // namespace ostrel::EpisodeBuilder
