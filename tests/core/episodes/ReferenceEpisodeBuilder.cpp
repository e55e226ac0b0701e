#include "ReferenceEpisodeBuilder.hpp"

#include "core/browsing/TabPayload.hpp"
#include "core/foundation/Saturating.hpp"
#include "core/foundation/Text.hpp"
#include "core/learning/RunPayload.hpp"
#include "core/learning/UndoPayload.hpp"
#include "core/observations/AppPayload.hpp"
#include "core/observations/AudioPayload.hpp"
#include "core/observations/DisplaysPayload.hpp"
#include "core/observations/LocationPayload.hpp"
#include "core/observations/RunningAppsPayload.hpp"
#include "core/observations/WiFiPayload.hpp"
#include "core/observations/WindowPayload.hpp"
#include "core/observations/WindowsPayload.hpp"

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <utility>

namespace ostrel::reference {

namespace {

using Observations = std::vector<SignalObservation>;

constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max();

const std::set<std::string> endsEpisode = {"system.sleep", "screen.lock"};
const std::set<std::string> activity = {
    "app.launch",      "app.activate",      "app.hide",     "app.unhide",   "app.quit",
    "browser.tab",     "window.focus",      "window.open",  "window.close", "window.frame",
    "window.minimize", "window.unminimize", "window.change"};
const std::set<std::string> layoutSignals = {"window.focus", "window.open", "window.frame", "window.change",
                                             "window.unminimize"};

bool is(const SignalObservation& observation, const char* name) {
    return observation.signal.rawValue == name;
}

struct BringUp {
    std::int64_t ts;
    Item item;
};

template <class T>
std::vector<T> unique(const std::vector<T>& values) {
    std::vector<T> result;
    for (const T& value : values) {
        const bool seen = std::any_of(result.begin(), result.end(), [&](const T& kept) {
            if constexpr (std::is_same_v<T, std::string>) {
                return text::equal(kept, value);
            } else {
                return kept == value;
            }
        });
        if (!seen) {
            result.push_back(value);
        }
    }
    return result;
}

std::optional<Item> itemOf(const WindowPayload& window) {
    if (window.document) {
        return Item::document(*window.document);
    }
    if (window.title) {
        return Item::note(window.bundleID, *window.title);
    }
    return std::nullopt;
}

std::int64_t end(std::int64_t after, std::optional<std::int64_t> before,
                 const std::vector<std::int64_t>& activity) {
    std::int64_t last = after;
    for (const std::int64_t t : activity) {
        if (saturatingSub(t, last) >= 600'000) {
            return last;
        }
        last = t;
    }
    if (!before) {
        return last;
    }
    return saturatingSub(*before, last) < 600'000 ? *before : last;
}

std::vector<BringUp> bringUps(const Observations& window) {
    std::vector<BringUp> result;
    for (const SignalObservation& observation : window) {
        std::optional<Item> item;
        if (is(observation, "app.activate")) {
            const auto app = observation.decoded<AppPayload>();
            if (app && app->bundleID) {
                item = Item::app(*app->bundleID);
            }
        } else if (is(observation, "window.focus") || is(observation, "window.change")) {
            if (const auto window = observation.decoded<WindowPayload>()) {
                item = itemOf(*window);
            }
        } else if (is(observation, "browser.tab")) {
            const auto tab = observation.decoded<TabPayload>();
            if (tab && tab->url) {
                item = Item::page(*tab->url);
            }
        }
        if (item) {
            result.push_back({observation.ts, *item});
        }
    }
    return result;
}

std::vector<BringUp> withoutUndoneRuns(const std::vector<BringUp>& bringUps,
                                       const Observations& observations) {
    std::vector<std::string> undone;
    for (const SignalObservation& observation : observations) {
        if (is(observation, "quev.undo")) {
            if (const auto undo = observation.decoded<UndoPayload>()) {
                undone.push_back(undo->run);
            }
        }
    }
    if (undone.empty()) {
        return bringUps;
    }
    const auto contains = [](const std::vector<std::string>& texts, const std::string& text) {
        return std::any_of(texts.begin(), texts.end(),
                           [&](const std::string& t) { return text::equal(t, text); });
    };
    std::vector<std::pair<std::int64_t, std::vector<std::string>>> runs;
    for (const SignalObservation& observation : observations) {
        if (is(observation, "quev.run")) {
            const auto run = observation.decoded<RunPayload>();
            if (run && contains(undone, run->run)) {
                runs.emplace_back(observation.ts, run->items);
            }
        }
    }
    std::vector<BringUp> result;
    for (const BringUp& bringUp : bringUps) {
        const bool causedByRun = std::any_of(runs.begin(), runs.end(), [&](const auto& run) {
            const std::int64_t since = saturatingSub(bringUp.ts, run.first);
            return contains(run.second, bringUp.item.id()) && since >= 0 && since <= 20'000;
        });
        if (!causedByRun) {
            result.push_back(bringUp);
        }
    }
    return result;
}

std::int64_t setupWindowEnd(std::int64_t trigger, std::int64_t episodeEnd,
                            const std::vector<BringUp>& bringUps) {
    std::int64_t window = 300'000;
    for (const BringUp& bringUp : bringUps) {
        const std::int64_t since = saturatingSub(bringUp.ts, trigger);
        if (since >= 240'000 && since <= 299'999) {
            window = 480'000;
        }
    }
    return std::min(saturatingAdd(trigger, window), episodeEnd);
}

Observations priorTo(std::int64_t t, const Observations& observations) {
    Observations prior;
    for (const SignalObservation& observation : observations) {
        if (observation.ts <= saturatingAdd(t, 5'000)) {
            prior.push_back(observation);
        }
    }
    return prior;
}

std::optional<std::size_t> lastIndexOf(const Observations& observations, const char* signal) {
    std::optional<std::size_t> last;
    for (std::size_t i = 0; i < observations.size(); ++i) {
        if (is(observations[i], signal)) {
            last = i;
        }
    }
    return last;
}

bool after(std::size_t index, std::optional<std::size_t> snapshot) {
    return !snapshot || index > *snapshot;
}

std::vector<Item> openItems(std::int64_t t, const Observations& observations) {
    const Observations prior = priorTo(t, observations);
    const auto appsSnapshot = lastIndexOf(prior, "apps.running");
    const auto windowsSnapshot = lastIndexOf(prior, "windows");

    std::vector<std::string> running;
    if (appsSnapshot) {
        if (const auto apps = prior[*appsSnapshot].decoded<RunningAppsPayload>()) {
            for (const AppPayload& app : apps->apps) {
                if (app.bundleID) {
                    running.push_back(*app.bundleID);
                }
            }
        }
    }
    std::vector<WindowPayload> windows;
    if (windowsSnapshot) {
        if (const auto snapshot = prior[*windowsSnapshot].decoded<WindowsPayload>()) {
            windows = snapshot->windows;
        }
    }
    const auto keyOf = [](const WindowPayload& window) {
        return window.document ? window.document : window.title;
    };
    for (std::size_t i = 0; i < prior.size(); ++i) {
        const SignalObservation& observation = prior[i];
        if (observation.ts > t) {
            continue;
        }
        if (is(observation, "app.launch") && after(i, appsSnapshot)) {
            const auto app = observation.decoded<AppPayload>();
            if (app && app->bundleID &&
                std::none_of(running.begin(), running.end(),
                             [&](const std::string& b) { return text::equal(b, *app->bundleID); })) {
                running.push_back(*app->bundleID);
            }
        } else if (is(observation, "app.quit") && after(i, appsSnapshot)) {
            const auto app = observation.decoded<AppPayload>();
            if (app && app->bundleID) {
                std::erase_if(running, [&](const std::string& b) { return text::equal(b, *app->bundleID); });
            }
        }
        if (is(observation, "app.quit") && after(i, windowsSnapshot)) {
            const auto app = observation.decoded<AppPayload>();
            if (app && app->bundleID) {
                std::erase_if(
                    windows, [&](const WindowPayload& w) { return text::equal(w.bundleID, *app->bundleID); });
            }
        } else if (is(observation, "window.open") && after(i, windowsSnapshot)) {
            if (const auto window = observation.decoded<WindowPayload>()) {
                windows.push_back(*window);
            }
        } else if (is(observation, "window.close") && after(i, windowsSnapshot)) {
            if (const auto closed = observation.decoded<WindowPayload>()) {
                const auto closedKey = keyOf(*closed);
                std::erase_if(windows, [&](const WindowPayload& w) {
                    const auto key = keyOf(w);
                    const bool sameKey =
                        key.has_value() == closedKey.has_value() && (!key || text::equal(*key, *closedKey));
                    return text::equal(w.bundleID, closed->bundleID) && sameKey;
                });
            }
        }
    }
    std::vector<Item> items;
    for (const std::string& bundleID : running) {
        if (auto item = Item::app(bundleID)) {
            items.push_back(*item);
        }
    }
    for (const WindowPayload& window : windows) {
        if (auto item = itemOf(window)) {
            items.push_back(*item);
        }
    }
    return unique(items);
}

Context context(std::int64_t t, const std::vector<Item>& open, const std::vector<CalendarEvent>& calendar,
                const Observations& observations) {
    const Observations prior = priorTo(t, observations);
    Context result;
    if (const auto last = lastIndexOf(prior, "displays")) {
        if (const auto payload = prior[*last].decoded<DisplaysPayload>()) {
            for (const auto& display : payload->displays) {
                if (display.uuid) {
                    result.displays.push_back(*display.uuid);
                } else {
                    char digits[16];
                    const auto written = std::to_chars(digits, digits + sizeof digits, display.id);
                    result.displays.emplace_back(digits, written.ptr);
                }
            }
            std::stable_sort(
                result.displays.begin(), result.displays.end(),
                [](const std::string& a, const std::string& b) { return text::compare(a, b) < 0; });
        }
    }
    for (const CalendarEvent& event : calendar) {
        if (event.start <= saturatingAdd(t, 900'000) && event.end > t) {
            result.events.push_back(event);
        }
    }
    std::stable_sort(result.events.begin(), result.events.end(),
                     [](const CalendarEvent& a, const CalendarEvent& b) { return a.start < b.start; });
    if (const auto last = lastIndexOf(prior, "wifi")) {
        if (const auto wifi = prior[*last].decoded<WiFiPayload>()) {
            result.network = wifi->network;
        }
    }
    for (const SignalObservation& observation : observations) {
        const std::int64_t distance = saturatingSub(observation.ts, t);
        if (is(observation, "location") && distance >= -120'000 && distance <= 120'000) {
            result.location = observation.decoded<LocationPayload>();
            break;
        }
    }
    result.open = open;
    return result;
}

std::unordered_map<Item, WindowPayload::Frame> layout(std::int64_t t, const Observations& snapshotFrom,
                                                      const Observations& events) {
    std::vector<WindowPayload> windows;
    for (auto it = snapshotFrom.rbegin(); it != snapshotFrom.rend(); ++it) {
        if (is(*it, "windows") && it->ts <= saturatingAdd(t, 5'000)) {
            if (const auto snapshot = it->decoded<WindowsPayload>()) {
                windows = snapshot->windows;
            }
            break;
        }
    }
    for (const SignalObservation& event : events) {
        if (layoutSignals.contains(event.signal.rawValue)) {
            if (const auto window = event.decoded<WindowPayload>()) {
                windows.push_back(*window);
            }
        }
    }
    std::unordered_map<Item, WindowPayload::Frame> result;
    for (const WindowPayload& window : windows) {
        if (!window.frame) {
            continue;
        }
        if (const auto app = Item::app(window.bundleID)) {
            result[*app] = *window.frame;
        }
        if (const auto item = itemOf(window)) {
            result[*item] = *window.frame;
        }
    }
    return result;
}

std::optional<AudioPayload> audioAt(std::int64_t t, const Observations& observations) {
    const SignalObservation* last = nullptr;
    for (const SignalObservation& observation : observations) {
        if (is(observation, "audio") && observation.ts <= t) {
            last = &observation;
        }
    }
    if (last == nullptr) {
        return std::nullopt;
    }
    return last->decoded<AudioPayload>();
}

std::vector<Setting> settings(std::int64_t from, std::int64_t to, const Observations& observations) {
    const auto afterState = audioAt(to, observations);
    if (!afterState) {
        return {};
    }
    const auto before = audioAt(from, observations);
    std::vector<Setting> result;
    if (!before || !text::equal(before->deviceUID, afterState->deviceUID)) {
        result.push_back({Setting::Output{afterState->deviceUID}});
    }
    if (afterState->volume && !(before && before->volume && *before->volume == *afterState->volume)) {
        result.push_back({Setting::Volume{*afterState->volume}});
    }
    if (afterState->muted && !(before && before->muted && *before->muted == *afterState->muted)) {
        result.push_back({Setting::Muted{*afterState->muted}});
    }
    return result;
}

} // namespace

std::vector<Episode> episodes(std::vector<Trigger> triggers, std::vector<SignalObservation> observations,
                              const std::vector<CalendarEvent>& calendar) {
    std::stable_sort(triggers.begin(), triggers.end(),
                     [](const Trigger& a, const Trigger& b) { return a.ts < b.ts; });
    std::stable_sort(observations.begin(), observations.end(),
                     [](const SignalObservation& a, const SignalObservation& b) { return a.ts < b.ts; });
    std::vector<Episode> result;
    for (std::size_t i = 0; i < triggers.size(); ++i) {
        const std::int64_t t = triggers[i].ts;
        const std::optional<std::int64_t> next =
            i + 1 < triggers.size() ? std::optional(triggers[i + 1].ts) : std::nullopt;
        std::optional<std::int64_t> boundary;
        for (const SignalObservation& observation : observations) {
            if (t < observation.ts && observation.ts < next.value_or(int64Max) &&
                endsEpisode.contains(observation.signal.rawValue)) {
                boundary = observation.ts;
                break;
            }
        }
        if (!boundary) {
            boundary = next;
        }
        std::vector<std::int64_t> activityTimes;
        for (const SignalObservation& observation : observations) {
            if (t <= observation.ts && observation.ts < boundary.value_or(int64Max) &&
                activity.contains(observation.signal.rawValue)) {
                activityTimes.push_back(observation.ts);
            }
        }
        const std::int64_t episodeEnd = end(t, boundary, activityTimes);
        Observations window;
        for (const SignalObservation& observation : observations) {
            if (t <= observation.ts && observation.ts <= episodeEnd) {
                window.push_back(observation);
            }
        }
        const std::vector<BringUp> remaining = withoutUndoneRuns(bringUps(window), observations);
        const std::int64_t setupEnd = setupWindowEnd(t, episodeEnd, remaining);
        std::vector<Item> broughtUp;
        for (const BringUp& bringUp : remaining) {
            if (bringUp.ts <= setupEnd) {
                broughtUp.push_back(bringUp.item);
            }
        }
        broughtUp = unique(broughtUp);
        const std::vector<Item> open = openItems(t, observations);
        Observations setupEvents;
        for (const SignalObservation& observation : window) {
            if (observation.ts <= setupEnd) {
                setupEvents.push_back(observation);
            }
        }
        Setup setup;
        setup.broughtUp = broughtUp;
        for (const Item& item : open) {
            if (std::find(broughtUp.begin(), broughtUp.end(), item) == broughtUp.end()) {
                setup.carried.push_back(item);
            }
        }
        for (const SignalObservation& event : setupEvents) {
            if (is(event, "app.hide") || is(event, "app.quit")) {
                const auto app = event.decoded<AppPayload>();
                if (app && app->bundleID) {
                    setup.putAway.push_back(*app->bundleID);
                }
            } else if (is(event, "window.minimize")) {
                if (const auto window = event.decoded<WindowPayload>()) {
                    setup.putAway.push_back(window->bundleID);
                }
            }
        }
        setup.putAway = unique(setup.putAway);
        setup.layout = layout(t, observations, setupEvents);
        setup.settings = settings(t, setupEnd, observations);
        result.push_back({triggers[i], t, episodeEnd, context(t, open, calendar, observations), setup});
    }
    return result;
}

} // namespace ostrel::reference
