#pragma once

#include "app/editor/Wording.hpp"
#include "app/shell/ChangeNotifier.hpp"
#include "core/calendar/CalendarSeries.hpp"
#include "core/episodes/Item.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/learning/ContextKey.hpp"
#include "core/learning/Routine.hpp"
#include "core/routines/Cue.hpp"
#include "core/routines/RoutineEdits.hpp"
#include "platform/Clock.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/Settings.hpp"
#include "platform/Subscription.hpp"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

// The editing copy of one routine, the one model every section of the routine editor reads and
// writes. What the learner found (key, learned items, default name, learned moment) is fixed when
// the draft is made; the student's changes are one RoutineEdits value, the only thing that
// changes and the only thing Save stores. Observers hear of a change of the edits only when the
// new edits differ from the old, field by field (the order of cues and the layout count).
//
// Deliberately not here: storing, deleting or trying the routine (the editor's controller does
// that), and any check of what the edits ask for: a draft takes whatever a section hands it.
//
// Threading: main executor only, like the views bound to it. Not copyable: observers hold it.
class RoutineDraft {
public:
    enum class Property { edits };

    // The draft of a routine as the routine book hands it out (learned, or made by the student):
    // the learned items are got back by undoing the edits' additions and removals. The default
    // name is the smart name the settings keep for the key, else its RoutineName; a made routine
    // always has its RoutineName. The learned moment is worded now, with the current network.
    RoutineDraft(const Routine& routine, std::vector<CalendarSeries> series, bool isNew, const Calendar& calendar,
                 const Settings& settings, const Wording::NetworkName& networkName);

    // The draft of a routine being made now, under a new key "made:" + an upper-case UUID. The
    // edits keep their `created` when set; otherwise it is the clock's now in whole milliseconds
    // (truncated), left out only when the clock gives no such number. Throws SecureRandomError when
    // the system's generator fails.
    RoutineDraft(std::vector<CalendarSeries> series, RoutineEdits edits, const Calendar& calendar,
                 const Clock& clock, SecureRandom& random);

    RoutineDraft(const RoutineDraft&) = delete;
    RoutineDraft& operator=(const RoutineDraft&) = delete;

    const std::string& id() const { return id_; }
    const ContextKey& key() const { return key_; }
    const std::vector<Item>& learnedItems() const { return learnedItems_; }
    const std::string& defaultName() const { return defaultName_; }
    const std::optional<std::string>& learnedMoment() const { return learnedMoment_; }
    const std::vector<CalendarSeries>& series() const { return series_; }
    bool isNew() const { return isNew_; }

    const RoutineEdits& edits() const { return edits_; }
    // Replaces the edits whole (the describe card does); notifies unless they are equal.
    void setEdits(RoutineEdits edits);

    // The student's name when set, even an empty one; else "" for a made routine (the editor then
    // says "New routine"), else the default name.
    std::string name() const;
    // Spaces and tabs alone, or exactly the default name, clear the student's name; any other text
    // is kept as given, spaces included.
    void setName(const std::string& name);

    // The learned items not taken out, then the added ones, each once.
    std::vector<Item> items() const;
    // The learned items the student took out, in learned order.
    std::vector<Item> removedItems() const;

    // An item taken out comes back; otherwise the item is added unless it is already opened.
    void add(const Item& item);
    // Takes an added item off and records a learned one as taken out (once); an app also loses its
    // window placement. An item a learned routine both opened and had in its stored additions when
    // the draft was made is recorded as taken out too: the merged routine cannot say whether it was
    // learned as well, and a "don't open it" must outlast the learner finding it again.
    void remove(const Item& item);
    // Appends a cue unless an equal one is there; cues keep their order.
    void add(const Cue& cue);

    // Changes a copy of the edits and takes it (notifying only when it differs): how a section
    // writes one field.
    template <class Change>
    void change(Change&& change) {
        RoutineEdits next = edits_;
        change(next);
        setEdits(std::move(next));
    }

    // Takes the cue at index out, or puts cue in its place; an index outside the list (it got
    // shorter meanwhile) does nothing.
    void removeCue(std::ptrdiff_t index);
    void replaceCue(std::ptrdiff_t index, Cue cue);

    // Whether the routine is tied to a class: a class key still starting at its learned moment, or
    // a class cue.
    bool hasEvent() const;

    [[nodiscard]] Subscription observe(ChangeNotifier<Property>::Observer observer) {
        return notifier_.observe(std::move(observer));
    }

private:
    RoutineDraft(const Routine& routine, std::vector<CalendarSeries> series, bool isNew, const Calendar& calendar,
                 const Settings* settings, const Wording::NetworkName& networkName);

    static Routine madeRoutine(RoutineEdits edits, const Clock& clock, SecureRandom& random);

    std::string id_;
    ContextKey key_;
    std::vector<Item> learnedItems_;
    // Items the routine opened that its stored edits also added, when the draft was made.
    std::vector<Item> addedAndOpened_;
    std::string defaultName_;
    std::optional<std::string> learnedMoment_;
    std::vector<CalendarSeries> series_;
    RoutineEdits edits_;
    bool isNew_ = false;
    ChangeNotifier<Property> notifier_;
};

} // namespace ostrel
