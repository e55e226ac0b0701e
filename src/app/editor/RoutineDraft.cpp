#include "app/editor/RoutineDraft.hpp"

#include "app/ai/SmartNames.hpp"
#include "core/learning/RoutineName.hpp"

#include <algorithm>

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace ostrel {

namespace {

bool contains(const std::vector<Item>& items, const Item& item) {
    return std::find(items.begin(), items.end(), item) != items.end();
}

// Spaces (every Unicode space separator) and tabs; a line break is kept, as it is not white space
// in a name.
bool isBlank(UChar32 c) {
    return c == '\t' || u_charType(c) == U_SPACE_SEPARATOR;
}

// Whether the text holds anything but spaces and tabs. Bytes that are not UTF-8 count as text.
bool hasText(const std::string& text) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    for (int32_t at = 0; at < length;) {
        UChar32 c = 0;
        U8_NEXT(bytes, at, length, c);
        if (c < 0 || !isBlank(c)) {
            return true;
        }
    }
    return false;
}

} // namespace

RoutineDraft::RoutineDraft(const Routine& routine, std::vector<CalendarSeries> series, bool isNew,
                           const Calendar& calendar, const Settings& settings,
                           const Wording::NetworkName& networkName)
    : RoutineDraft(routine, std::move(series), isNew, calendar, &settings, networkName) {}

RoutineDraft::RoutineDraft(std::vector<CalendarSeries> series, RoutineEdits edits, const Calendar& calendar,
                           const Clock& clock, SecureRandom& random)
    : RoutineDraft(madeRoutine(std::move(edits), clock, random), std::move(series), true, calendar, nullptr, {}) {}

RoutineDraft::RoutineDraft(const Routine& routine, std::vector<CalendarSeries> series, bool isNew,
                           const Calendar& calendar, const Settings* settings,
                           const Wording::NetworkName& networkName)
    : id_(routine.key.id()), key_(routine.key), series_(std::move(series)), edits_(routine.edits), isNew_(isNew) {
    if (routine.isMade()) {
        defaultName_ = RoutineName::name(key_, series_, calendar);
        return;
    }
    // The routine book put the additions in and took the removals out; undo both.
    for (const Item& item : routine.items) {
        if (contains(routine.edits.added, item)) {
            addedAndOpened_.push_back(item);
        } else {
            learnedItems_.push_back(item);
        }
    }
    learnedItems_.insert(learnedItems_.end(), routine.edits.removed.begin(), routine.edits.removed.end());
    std::optional<std::string> smartName = settings ? SmartNames::cached(*settings, id_) : std::nullopt;
    defaultName_ = smartName ? *smartName : RoutineName::name(key_, series_, calendar);
    learnedMoment_ = Wording::moment(key_, series_, calendar, networkName);
}

Routine RoutineDraft::madeRoutine(RoutineEdits edits, const Clock& clock, SecureRandom& random) {
    if (!edits.created) {
        edits.created = truncatedMilliseconds(clock.now());
    }
    return Routine{ContextKey::made(random.uuid()), {}, 0, 1.0, TrustLevel::suggest, std::move(edits)};
}

void RoutineDraft::setEdits(RoutineEdits edits) {
    notifier_.assign(edits_, std::move(edits), Property::edits);
}

std::string RoutineDraft::name() const {
    if (edits_.name) {
        return *edits_.name;
    }
    return std::holds_alternative<ContextKey::Made>(key_.value) ? std::string() : defaultName_;
}

void RoutineDraft::setName(const std::string& name) {
    change([&](RoutineEdits& edits) {
        if (!hasText(name) || name == defaultName_) {
            edits.name.reset();
        } else {
            edits.name = name;
        }
    });
}

std::vector<Item> RoutineDraft::items() const {
    std::vector<Item> result;
    for (const Item& item : learnedItems_) {
        if (!contains(edits_.removed, item)) {
            result.push_back(item);
        }
    }
    for (const Item& item : edits_.added) {
        if (!contains(result, item)) {
            result.push_back(item);
        }
    }
    return result;
}

std::vector<Item> RoutineDraft::removedItems() const {
    std::vector<Item> result;
    for (const Item& item : learnedItems_) {
        if (contains(edits_.removed, item)) {
            result.push_back(item);
        }
    }
    return result;
}

void RoutineDraft::add(const Item& item) {
    change([&](RoutineEdits& edits) {
        std::erase(edits.removed, item);
        std::vector<Item> opened;
        for (const Item& learned : learnedItems_) {
            if (!contains(edits.removed, learned)) {
                opened.push_back(learned);
            }
        }
        if (!contains(opened, item) && !contains(edits.added, item)) {
            edits.added.push_back(item);
        }
    });
}

void RoutineDraft::remove(const Item& item) {
    change([&](RoutineEdits& edits) {
        std::erase(edits.added, item);
        const bool mayBeLearned = contains(learnedItems_, item) || contains(addedAndOpened_, item);
        if (mayBeLearned && !contains(edits.removed, item)) {
            edits.removed.push_back(item);
        }
        if (const auto* app = std::get_if<Item::App>(&item.value())) {
            edits.layout.erase(app->bundleID);
        }
    });
}

void RoutineDraft::add(const Cue& cue) {
    change([&](RoutineEdits& edits) {
        if (std::find(edits.cues.begin(), edits.cues.end(), cue) == edits.cues.end()) {
            edits.cues.push_back(cue);
        }
    });
}

bool RoutineDraft::hasEvent() const {
    if (key_.isEvent() && edits_.learnedWhen) {
        return true;
    }
    return std::any_of(edits_.cues.begin(), edits_.cues.end(),
                       [](const Cue& cue) { return std::holds_alternative<Cue::Event>(cue.value); });
}

void RoutineDraft::removeCue(std::ptrdiff_t index) {
    if (index < 0 || index >= static_cast<std::ptrdiff_t>(edits_.cues.size())) {
        return;
    }
    change([&](RoutineEdits& edits) { edits.cues.erase(edits.cues.begin() + index); });
}

void RoutineDraft::replaceCue(std::ptrdiff_t index, Cue cue) {
    if (index < 0 || index >= static_cast<std::ptrdiff_t>(edits_.cues.size())) {
        return;
    }
    change([&](RoutineEdits& edits) { edits.cues[static_cast<std::size_t>(index)] = std::move(cue); });
}

} // namespace ostrel
