#include "core/observations/TimeReport.hpp"

#include "core/browsing/TabPayload.hpp"
#include "core/foundation/Saturating.hpp"
#include "core/foundation/Text.hpp"
#include "core/learning/RunPayload.hpp"
#include "core/learning/UndoPayload.hpp"
#include "core/observations/AppPayload.hpp"
#include "core/observations/RunningAppsPayload.hpp"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace ostrel {

namespace {

constexpr std::int64_t msPerHour = 3'600'000;
constexpr std::int64_t msPerDay = 24 * msPerHour;
constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max();

// What a setup is reckoned to save the user, in milliseconds.
constexpr std::int64_t savedPerApp = 6'000;
constexpr std::int64_t savedPerOtherItem = 8'000; // a document, note or page
constexpr std::int64_t savedPerPlacedWindow = 5'000;
constexpr std::int64_t savedPerHiddenApp = 2'000;
constexpr std::int64_t savedByMuting = 3'000;

template <class Value>
using TextMap = std::unordered_map<std::string, Value, text::Hash, text::Equal>;

Date seconds(std::int64_t ms) {
    return static_cast<double>(ms) / 1000.0;
}

std::int64_t floorMod(std::int64_t value, std::int64_t divisor) {
    const std::int64_t remainder = value % divisor;
    return remainder < 0 ? remainder + divisor : remainder;
}

// Stored counts are trusted only as far as they make sense: a negative count saves nothing and an
// absurd one saturates instead of overflowing.
std::int64_t savedFor(std::optional<std::int64_t> count, std::int64_t each) {
    const std::int64_t n = std::max<std::int64_t>(count.value_or(0), 0);
    return n > int64Max / each ? int64Max : n * each;
}

std::int64_t estimate(const RunPayload& run) {
    std::int64_t saved = 0;
    for (const std::string& item : run.items) {
        saved = saturatingAdd(saved, item.starts_with("app:") ? savedPerApp : savedPerOtherItem);
    }
    saved = saturatingAdd(saved, savedFor(run.arranged, savedPerPlacedWindow));
    saved = saturatingAdd(saved, savedFor(run.hid, savedPerHiddenApp));
    if (run.muted == true) {
        saved = saturatingAdd(saved, savedByMuting);
    }
    return saved;
}

// ---- The quick reader ----
//
// The report reads a field or two from a few payloads per observation; building a whole JSON
// document for each costs more than everything else it does. The payloads it reads are compact
// objects of plain texts and booleans (the running apps: an array of such objects), which the quick
// reader reads in place. For anything else (an escape, a number, a byte outside printable ASCII,
// whitespace, a repeated key, deep nesting) it cannot tell, and the full decoder decides, so the
// report reads exactly what the full decoder alone would give it.

enum class Kind { text, boolean, null, structure };

struct Member {
    std::string_view key;
    Kind kind = Kind::null;
    std::string_view value; // a text's bytes, or a structure's whole JSON text
};

class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    bool atEnd() const { return at_ == text_.size(); }

    bool take(char c) {
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }

    // A text of printable ASCII without escapes, whose bytes are its value.
    bool text(std::string_view& out) {
        if (!take('"')) {
            return false;
        }
        const std::size_t start = at_;
        for (; at_ < text_.size(); ++at_) {
            const auto c = static_cast<unsigned char>(text_[at_]);
            if (c == '"') {
                out = text_.substr(start, at_ - start);
                ++at_;
                return true;
            }
            if (c < 0x20 || c >= 0x7f || c == '\\') {
                return false;
            }
        }
        return false;
    }

    // One value. Structures are checked against the same plain grammar and given whole.
    bool value(Member& member, int depth) {
        const std::size_t start = at_;
        if (at_ < text_.size() && text_[at_] == '"') {
            member.kind = Kind::text;
            return text(member.value);
        }
        if (word("true") || word("false")) {
            member.kind = Kind::boolean;
            return true;
        }
        if (word("null")) {
            member.kind = Kind::null;
            return true;
        }
        if (depth >= maxDepth) {
            return false;
        }
        Member inner;
        if (take('{')) {
            if (!take('}')) {
                do {
                    std::string_view key;
                    if (!text(key) || !take(':') || !value(inner, depth + 1)) {
                        return false;
                    }
                } while (take(','));
                if (!take('}')) {
                    return false;
                }
            }
        } else if (take('[')) {
            if (!take(']')) {
                do {
                    if (!value(inner, depth + 1)) {
                        return false;
                    }
                } while (take(','));
                if (!take(']')) {
                    return false;
                }
            }
        } else {
            return false; // a number, or no JSON
        }
        member.kind = Kind::structure;
        member.value = text_.substr(start, at_ - start);
        return true;
    }

private:
    static constexpr int maxDepth = 4;

    bool word(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) {
            return false;
        }
        at_ += word.size();
        return true;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

class QuickObject {
public:
    // Nothing when the text is not a compact object of the plain kind.
    static std::optional<QuickObject> read(std::string_view text) {
        Scanner scanner(text);
        auto object = read(scanner);
        if (!object || !scanner.atEnd()) {
            return std::nullopt;
        }
        return object;
    }

    // The object at the scanner's place, which it passes.
    static std::optional<QuickObject> read(Scanner& scanner) {
        QuickObject object;
        if (!scanner.take('{')) {
            return std::nullopt;
        }
        if (!scanner.take('}')) {
            do {
                Member member;
                if (object.count_ == object.members_.size() || !scanner.text(member.key) || !scanner.take(':') ||
                    !scanner.value(member, 1) || object.find(member.key) != nullptr) {
                    return std::nullopt;
                }
                object.members_[object.count_++] = member;
            } while (scanner.take(','));
            if (!scanner.take('}')) {
                return std::nullopt;
            }
        }
        return object;
    }

    const Member* find(std::string_view key) const {
        for (std::size_t i = 0; i < count_; ++i) {
            if (members_[i].key == key) {
                return &members_[i];
            }
        }
        return nullptr;
    }

    // Whether an optional key of that kind reads: missing, null, or of the kind.
    bool allows(std::string_view key, Kind kind) const {
        const Member* member = find(key);
        return member == nullptr || member->kind == Kind::null || member->kind == kind;
    }

    // The key's text; nothing when it is missing or null. Only for keys that allow text.
    std::optional<std::string_view> text(std::string_view key) const {
        const Member* member = find(key);
        if (member == nullptr || member->kind != Kind::text) {
            return std::nullopt;
        }
        return member->value;
    }

private:
    std::array<Member, 8> members_{};
    std::size_t count_ = 0;
};

// Whether AppPayload::fromJSON reads the object without failing.
bool readsAsApp(const QuickObject& object) {
    return object.allows("bundleID", Kind::text) && object.allows("name", Kind::text) &&
           object.allows("path", Kind::text) && object.allows("hidden", Kind::boolean) &&
           object.allows("excluded", Kind::boolean);
}

// Whether RunningAppsPayload::fromJSON reads the object without failing: "apps" an array of apps.
bool readsAsRunningApps(const QuickObject& object) {
    const Member* apps = object.find("apps");
    if (!object.allows("front", Kind::text) || apps == nullptr || apps->kind != Kind::structure) {
        return false;
    }
    Scanner array(apps->value);
    if (!array.take('[')) {
        return false;
    }
    if (array.take(']')) {
        return true;
    }
    do {
        const auto app = QuickObject::read(array);
        if (!app || !readsAsApp(*app)) {
            return false;
        }
    } while (array.take(','));
    return array.take(']');
}

bool readsAsTab(const QuickObject& object) {
    return object.allows("site", Kind::text) && object.allows("url", Kind::text) &&
           object.allows("excluded", Kind::boolean);
}

std::optional<std::string> owned(std::optional<std::string_view> text) {
    return text ? std::optional<std::string>(*text) : std::nullopt;
}

std::vector<TimeReport::Usage> ranked(TextMap<std::int64_t>&& totals) {
    std::vector<TimeReport::Usage> usages;
    usages.reserve(totals.size());
    for (auto& [key, ms] : totals) {
        usages.push_back({key, ms});
    }
    std::sort(usages.begin(), usages.end(), [](const TimeReport::Usage& a, const TimeReport::Usage& b) {
        if (a.ms != b.ms) {
            return a.ms > b.ms;
        }
        return text::compare(a.key, b.key) < 0;
    });
    return usages;
}

// Walks the observations once, keeping the state each gap is judged by, and credits the gaps.
class Tally {
public:
    Tally(TimeReport& report, std::int64_t from, std::span<const CalendarEvent> events,
          const Calendar& calendar)
        : report_(report), from_(from), events_(events), calendar_(calendar),
          firstDay_(calendar.startOfDay(seconds(from))) {}

    void observe(const SignalObservation& observation) {
        const Signal& signal = observation.signal;
        if (signal == Signal::appActivate || signal == Signal::appsRunning || signal == Signal::browserTab) {
            credited_.reset(); // the front app or its site may change
        }
        if (signal == Signal::appActivate) {
            if (const auto quick = QuickObject::read(observation.payload); quick && readsAsApp(*quick)) {
                front_ = owned(quick->text("bundleID"));
            } else {
                const auto payload = observation.decoded<AppPayload>();
                front_ = payload ? payload->bundleID : std::nullopt;
            }
        } else if (signal == Signal::appsRunning) {
            if (const auto quick = QuickObject::read(observation.payload); quick && readsAsRunningApps(*quick)) {
                if (const auto front = quick->text("front")) {
                    front_ = std::string(*front);
                }
            } else if (const auto payload = observation.decoded<RunningAppsPayload>(); payload && payload->front) {
                front_ = payload->front;
            }
        } else if (signal == Signal::browserTab) {
            if (front_) {
                // An excluded tab leaves no site.
                if (const auto quick = QuickObject::read(observation.payload); quick && readsAsTab(*quick)) {
                    siteOfApp_[*front_] = owned(quick->text("site"));
                } else if (const auto payload = observation.decoded<TabPayload>()) {
                    siteOfApp_[*front_] = payload->site;
                }
            }
        } else if (signal == Signal::sleep) {
            awake_ = false;
        } else if (signal == Signal::wake) {
            awake_ = true;
        } else if (signal == Signal::lock) {
            unlocked_ = false;
        } else if (signal == Signal::unlock) {
            unlocked_ = true;
        } else if (signal == Signal::userIdle) {
            idle_ = true;
        } else if (signal == Signal::userActive) {
            idle_ = false;
        } else if (signal == Signal::quevStart) {
            awake_ = true;
            unlocked_ = true;
            idle_ = false;
        }
    }

    // The gap from a to b (a <= b), in the state after the observation at a.
    void credit(std::int64_t a, std::int64_t b) {
        const std::int64_t start = std::max(from_, a);
        // The length is measured from the gap's own start, not from `from`: a gap too long to be
        // active credits nothing, not even its part inside the span. a <= b, so the unsigned
        // difference cannot wrap.
        const auto length = static_cast<std::uint64_t>(b) - static_cast<std::uint64_t>(a);
        if (!awake_ || !unlocked_ || idle_ || start >= b || length > TimeReport::longestActiveGap) {
            return;
        }
        const std::int64_t ms = b - start;
        report_.active += ms;
        if (front_) {
            // Most gaps credit the same app and site as the one before: their totals are looked up
            // (hashing canonical text) once per change, not once per gap. Map nodes never move.
            if (!credited_) {
                credited_ = Credited{nullptr, nullptr};
                credited_->app = &appMs_[*front_];
                if (const auto site = siteOfApp_.find(*front_); site != siteOfApp_.end() && site->second) {
                    credited_->site = &siteMs_[*site->second];
                }
            }
            *credited_->app += ms;
            if (credited_->site != nullptr) {
                *credited_->site += ms;
            }
        }
        for (const CalendarEvent& event : events_) {
            if (event.start < b && start < event.end) {
                const std::int64_t overlap = std::min(b, event.end) - std::max(start, event.start);
                if (overlap > 0) { // an event that ends before it starts overlaps nothing
                    classMs_[event.title] += overlap;
                }
            }
        }
        spread(start, b);
    }

    void finish() {
        report_.apps = ranked(std::move(appMs_));
        report_.sites = ranked(std::move(siteMs_));
        report_.classes = ranked(std::move(classMs_));
    }

private:
    // Splits [start, end) at local clock hours. Each piece ends where the clock hour that holds its
    // start ends, reckoned from the zone's offset in force at that very instant: where the clock
    // repeats an hour or moves by half an hour, the piece still ends strictly after it starts and
    // the walk always reaches `end`.
    void spread(std::int64_t start, std::int64_t end) {
        for (std::int64_t t = start; t < end;) {
            const std::int64_t wallClock = localTime(t);
            const std::int64_t intoHour = floorMod(wallClock, msPerHour);
            const auto hourOfDay = static_cast<std::size_t>(floorMod(wallClock, msPerDay) / msPerHour);
            const std::int64_t left = msPerHour - intoHour; // 1 ... one hour
            // end - t is at most a gap's length, so neither difference nor sum can overflow.
            const std::int64_t pieceEnd = end - t <= left ? end : t + left;
            const std::int64_t ms = pieceEnd - t;
            report_.hours[hourOfDay] += ms;
            const std::int64_t day = dayIndex(t);
            if (day >= 0 && day < static_cast<std::int64_t>(report_.days.size())) {
                report_.days[static_cast<std::size_t>(day)] += ms;
            }
            t = pieceEnd;
        }
    }

    // t on the local wall clock, in milliseconds since 1970. Offsets are under a day, so only
    // instants at the very ends of the range could leave it; they stay at its end.
    // The offset is kept while it holds: asking the zone for every piece would be a third of the
    // report's time.
    std::int64_t localTime(std::int64_t t) {
        if (!offset_ || !offset_->holds(seconds(t))) {
            offset_ = calendar_.offsetSpan(seconds(t));
        }
        return saturatingAdd(t, offset_->offset);
    }

    // The index in days of the local day that holds t. Consecutive pieces mostly fall on the same
    // day, so its bounds are kept and the calendar asked again only outside them.
    std::int64_t dayIndex(std::int64_t t) {
        if (!day_ || t < day_->start || t >= day_->end) {
            const Date start = calendar_.startOfDay(seconds(t));
            const auto startMs = roundedMilliseconds(start);
            const auto endMs = roundedMilliseconds(calendar_.startOfDay(calendar_.addingDays(1, start)));
            const std::int64_t index = calendar_.dayDifference(firstDay_, start);
            if (!startMs || !endMs || !(*startMs <= t && t < *endMs)) {
                day_.reset(); // at the far ends of the calendar's range: no bounds to keep
                return index;
            }
            day_ = Day{*startMs, *endMs, index};
        }
        return day_->index;
    }

    struct Day {
        std::int64_t start = 0;
        std::int64_t end = 0;
        std::int64_t index = 0;
    };

    TimeReport& report_;
    const std::int64_t from_;
    const std::span<const CalendarEvent> events_;
    const Calendar& calendar_;
    const Date firstDay_;

    std::optional<std::string> front_;
    bool awake_ = true;
    bool unlocked_ = true;
    bool idle_ = false;

    TextMap<std::int64_t> appMs_;
    TextMap<std::int64_t> siteMs_;
    TextMap<std::int64_t> classMs_;
    TextMap<std::optional<std::string>> siteOfApp_; // the last site seen in each app
    // The totals the current front app and its site are credited to, until either may change.
    struct Credited {
        std::int64_t* app = nullptr;
        std::int64_t* site = nullptr;
    };
    std::optional<Credited> credited_;
    std::optional<Day> day_;
    std::optional<Calendar::OffsetSpan> offset_;
};

} // namespace

TimeReport::TimeReport(std::span<const SignalObservation> observations, std::int64_t from, std::int64_t to,
                       std::span<const CalendarEvent> events, const Calendar& calendar) {
    const std::vector<const SignalObservation*> sorted = sortedByTime(observations);

    // One entry per local day from the day of `from` to the day of the span's last millisecond.
    std::int64_t lastDay = 0;
    if (to > from) {
        lastDay = calendar.dayDifference(calendar.startOfDay(seconds(from)), seconds(to - 1));
    }
    days.assign(static_cast<std::size_t>(std::max<std::int64_t>(lastDay, 0)) + 1, 0);

    Tally tally(*this, from, events, calendar);
    std::optional<std::int64_t> last;
    for (const SignalObservation* observation : sorted) {
        if (observation->ts >= to) {
            break;
        }
        if (last && observation->signal != Signal::quevStart) {
            tally.credit(*last, observation->ts);
        }
        last = observation->ts;
        tally.observe(*observation);
    }
    if (last) {
        tally.credit(*last, to);
    }
    tally.finish();

    // Setups count only when run inside the span, and not when undone inside it.
    std::unordered_set<std::string, text::Hash, text::Equal> undone;
    for (const SignalObservation* observation : sorted) {
        if (observation->ts >= from && observation->ts < to && observation->signal == Signal::quevUndo) {
            if (const auto undo = observation->decoded<UndoPayload>()) {
                undone.insert(undo->run);
            }
        }
    }
    for (const SignalObservation* observation : sorted) {
        if (observation->ts >= from && observation->ts < to && observation->signal == Signal::quevRun) {
            if (const auto run = observation->decoded<RunPayload>(); run && !undone.contains(run->run)) {
                runs += 1;
                saved = saturatingAdd(saved, estimate(*run));
            }
        }
    }
}

const std::set<Signal>& TimeReport::payloadSignals() {
    static const std::set<Signal> signals{Signal::appActivate, Signal::appsRunning, Signal::browserTab,
                                          Signal::quevRun, Signal::quevUndo};
    return signals;
}

json::Value TimeReport::Usage::toJSON() const {
    return json::ObjectWriter().set("key", key).set("ms", ms).done();
}

bool operator==(const TimeReport::Usage& a, const TimeReport::Usage& b) {
    return a.ms == b.ms && text::equal(a.key, b.key);
}

json::Value TimeReport::toJSON() const {
    return json::ObjectWriter()
        .set("active", active)
        .set("apps", apps)
        .set("sites", sites)
        .set("classes", classes)
        .set("hours", hours)
        .set("days", days)
        .set("saved", saved)
        .set("runs", runs)
        .done();
}

} // namespace ostrel
