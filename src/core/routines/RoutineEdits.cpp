#include "core/routines/RoutineEdits.hpp"

#include "core/foundation/HashCombine.hpp"
#include "core/foundation/UnicodeText.hpp"

#include <algorithm>
#include <type_traits>

namespace ostrel {

namespace {

std::optional<RoutineEdits::Mode> readMode(const json::ObjectReader& reader, std::string_view key) {
    const auto text = reader.optional<std::string>(key);
    if (!text) {
        return std::nullopt;
    }
    const auto mode = fromString<RoutineEdits::Mode>(*text);
    if (!mode) {
        throw json::DecodingError("\"" + std::string(key) + "\": not a mode: " + *text);
    }
    return mode;
}

std::optional<std::string> modeText(const std::optional<RoutineEdits::Mode>& mode) {
    if (!mode) {
        return std::nullopt;
    }
    return std::string(toString(*mode));
}

} // namespace

std::string_view toString(RoutineEdits::Mode mode) {
    switch (mode) {
    case RoutineEdits::Mode::automatic:
        return "automatic";
    case RoutineEdits::Mode::ask:
        return "ask";
    case RoutineEdits::Mode::off:
        return "off";
    }
    return "off";
}

template <>
std::optional<RoutineEdits::Mode> fromString<RoutineEdits::Mode>(std::string_view text) {
    for (const auto mode : RoutineEdits::allModes) {
        if (toString(mode) == text) {
            return mode;
        }
    }
    return std::nullopt;
}

// ---- Placement ----

RoutineEdits::Placement RoutineEdits::Placement::fromJSON(const json::Value& value) {
    const auto [name, values] = json::readCase(value, {"left", "right", "full", "frame"});
    if (name == "left") {
        return left();
    }
    if (name == "right") {
        return right();
    }
    if (name == "full") {
        return full();
    }
    return frame(values.required<WindowPayload::Frame>("_0"));
}

json::Value RoutineEdits::Placement::toJSON() const {
    return std::visit(
        [](const auto& placement) {
            using T = std::decay_t<decltype(placement)>;
            if constexpr (std::is_same_v<T, Left>) {
                return json::caseObject("left");
            } else if constexpr (std::is_same_v<T, Right>) {
                return json::caseObject("right");
            } else if constexpr (std::is_same_v<T, Full>) {
                return json::caseObject("full");
            } else {
                return json::caseObject("frame", json::ObjectWriter().set("_0", placement).done());
            }
        },
        value);
}

bool operator==(const RoutineEdits::Placement& a, const RoutineEdits::Placement& b) {
    if (a.value.index() != b.value.index()) {
        return false;
    }
    const auto* left = std::get_if<WindowPayload::Frame>(&a.value);
    return left == nullptr || *left == std::get<WindowPayload::Frame>(b.value);
}

std::size_t RoutineEdits::Placement::hash() const {
    std::size_t seed = value.index();
    if (const auto* frame = std::get_if<WindowPayload::Frame>(&value)) {
        for (const std::int64_t number : {frame->x, frame->y, frame->width, frame->height}) {
            hashCombine(seed, std::hash<std::int64_t>{}(number));
        }
    }
    return seed;
}

// ---- RoutineEdits ----

bool RoutineEdits::doesMoreThanOpen() const {
    return !putAway.empty() || !layout.empty() || mute || shortcut.has_value();
}

bool RoutineEdits::awaits(const CueEvent& event, std::int64_t at, const Calendar& calendar) const {
    if (deleted || mode == Mode::off) {
        return false;
    }
    return std::any_of(cues.begin(), cues.end(),
                       [&](const Cue& cue) { return cue.fulfilledBy(event, at, calendar); });
}

RoutineEdits RoutineEdits::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    RoutineEdits edits;
    edits.name = reader.optional<std::string>("name");
    edits.added = reader.value<std::vector<Item>>("added", {});
    edits.removed = reader.value<std::vector<Item>>("removed", {});
    edits.putAway = reader.value<std::vector<std::string>>("putAway", {});
    edits.layout = reader.value<Layout>("layout", {});
    edits.cues = reader.value<std::vector<Cue>>("cues", {});
    edits.learnedWhen = reader.value("learnedWhen", edits.learnedWhen);
    edits.mode = readMode(reader, "mode");
    edits.mute = reader.value("mute", edits.mute);
    edits.shortcut = reader.optional<std::string>("shortcut");
    edits.tidyUp = readMode(reader, "tidyUp");
    edits.pickUp = reader.value("pickUp", edits.pickUp);
    edits.deleted = reader.value("deleted", edits.deleted);
    edits.created = reader.optional<std::int64_t>("created");
    return edits;
}

json::Value RoutineEdits::toJSON() const {
    return json::ObjectWriter()
        .set("name", name)
        .set("added", added)
        .set("removed", removed)
        .set("putAway", putAway)
        .set("layout", layout)
        .set("cues", cues)
        .set("learnedWhen", learnedWhen)
        .set("mode", modeText(mode))
        .set("mute", mute)
        .set("shortcut", shortcut)
        .set("tidyUp", modeText(tidyUp))
        .set("pickUp", pickUp)
        .set("deleted", deleted)
        .set("created", created)
        .done();
}

bool operator==(const RoutineEdits& a, const RoutineEdits& b) {
    const auto sameLayout = [](const RoutineEdits::Layout& x, const RoutineEdits::Layout& y) {
        // Both maps are ordered by Unicode text, so equal maps line up pair by pair.
        return std::equal(x.begin(), x.end(), y.begin(), y.end(), [](const auto& p, const auto& q) {
            return text::equal(p.first, q.first) && p.second == q.second;
        });
    };
    return canonicallyEqual(a.name, b.name) && a.added == b.added && a.removed == b.removed &&
           std::equal(a.putAway.begin(), a.putAway.end(), b.putAway.begin(), b.putAway.end(),
                      text::Equal{}) &&
           sameLayout(a.layout, b.layout) && a.cues == b.cues && a.learnedWhen == b.learnedWhen &&
           a.mode == b.mode && a.mute == b.mute && canonicallyEqual(a.shortcut, b.shortcut) &&
           a.tidyUp == b.tidyUp && a.pickUp == b.pickUp && a.deleted == b.deleted && a.created == b.created;
}

} // namespace ostrel
