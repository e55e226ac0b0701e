#pragma once

#include "core/calendar/CalendarEvent.hpp"
#include "core/calendar/CalendarSeries.hpp"
#include "core/episodes/Episode.hpp"
#include "core/episodes/Trigger.hpp"
#include "core/foundation/Date.hpp"
#include "core/foundation/Text.hpp"
#include "core/observations/Signal.hpp"
#include "core/observations/SignalObservation.hpp"
#include "core/routines/RoutineEdits.hpp"
#include "core/store/Database.hpp"
#include "core/store/ReaderSnapshot.hpp"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace ostrel {

// The one database of the application: the file, its permissions, the schema and its upgrades, and
// the lock that serialises every statement. Exists only fully opened at the current schema version.
//
// Every query may be called from any thread: each holds the lock for exactly its own statements and
// throws SQLiteError on a database failure, after releasing the lock. Times are milliseconds since
// 1970; ranges include from and exclude to.
class Store {
public:
    static constexpr int currentSchemaVersion = 4;
    // How long observations are kept, in seconds (90 days).
    static constexpr double observationRetention = 7'776'000;

    enum class Access {
        // The application: creates the folder and file when needed, sets their permissions and
        // the journal mode, and upgrades the schema.
        owner,
        // A tool looking at a file: the file must exist at the current schema version and is read
        // as it is, with what a leftover write-ahead log holds. No byte of the file or its folder
        // changes: nothing is created, recovered or upgraded, no permission is changed, and every
        // write fails with SQLiteError.
        reader,
    };

    // Opens the database at url. Throws StoreError for the folder, the files and a schema version
    // the access does not allow, SQLiteError for the database itself.
    explicit Store(std::filesystem::path url, Access access = Access::owner);

    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // "Quev/quev.sqlite" under the user's data folder: $XDG_DATA_HOME when it is an absolute path,
    // otherwise $HOME/.local/share.
    static std::filesystem::path defaultURL();
    static std::filesystem::path defaultURL(const std::optional<std::string>& xdgDataHome,
                                            const std::optional<std::string>& home);

    const std::filesystem::path& url() const { return url_; }

    // The version stored in the file; 0 when it cannot be read.
    int schemaVersion();

    // ---- Observations and triggers ----

    // Inserts the observations in order, in one transaction: all of them or, on failure, none.
    void append(std::span<const SignalObservation> observations);

    // The observations with from <= ts < to, by ts and, at equal ts, in insertion order; only those
    // of the given signals when a set is given (an empty set matches nothing). A row that is not
    // (integer, text, text) fails the call with SQLiteError code 0 "malformed observation row".
    std::vector<SignalObservation>
    observations(std::int64_t from, std::int64_t to,
                 const std::optional<std::set<Signal>>& signals = std::nullopt);

    // The observations with from <= ts < to as observations(from, to) gives them, but with the
    // payload read only for the signals in payloadsOf: every other observation comes with an empty
    // payload. For readers that need every moment but few payloads, like the time report.
    std::vector<SignalObservation> observationsWithPayloadsOf(std::int64_t from, std::int64_t to,
                                                              const std::set<Signal>& payloadsOf);

    // How many observations have ts >= since.
    std::int64_t observationCount(std::int64_t since);

    // Deletes, in one transaction, the observations and triggers older than observationRetention
    // before now (the cut-off in milliseconds truncated toward zero; a row exactly at it stays) and
    // returns the number of observations deleted. A trigger that a stored episode row still refers
    // to is kept. Throws DateRangeError when now has no millisecond form.
    std::int64_t deleteExpiredObservations(Date now);

    // Inserts the triggers in order, in one transaction; one whose (ts, kind) is already stored is
    // skipped without error.
    void insert(std::span<const Trigger> triggers);

    // The triggers with from <= ts < to, by ts. Rows that are not (integer, known kind) are skipped.
    std::vector<Trigger> triggers(std::int64_t from, std::int64_t to);

    // ---- Calendar events ----

    // Upserts the events in order and then deletes every stored event that starts in
    // [from, to) and is not among them, all in one transaction: the list is the whole truth for
    // that range and nothing outside it is deleted. A stored event keeps the time it was first
    // seen; a new one is first seen at seenAt. An inverted range deletes nothing.
    void syncCalendar(std::span<const CalendarEvent> events, std::int64_t from, std::int64_t to,
                      std::int64_t seenAt);

    // The events overlapping [from, to) (start < to and end > from), by start and then key; none
    // when from > to. A row of another shape fails the call with SQLiteError code 0 "malformed
    // calendar event row".
    std::vector<CalendarEvent> calendarEvents(std::int64_t from, std::int64_t to);

    // One series per recurring key, by key, first seen at the earliest sighting of any of its
    // occurrences and titled by that occurrence. A row of another shape fails the call with
    // SQLiteError code 0 "malformed calendar series row".
    std::vector<CalendarSeries> calendarSeries();

    // ---- Routine edits ----

    using RoutineEditsByKey = std::map<std::string, RoutineEdits, text::Less>;

    // Every stored record by context key id. A row that is not (text, text) or does not decode is
    // skipped, so one damaged record costs only its own routine's edits.
    RoutineEditsByKey routineEdits();

    // Stores edits under the context key id, replacing any record there, stamped now (truncated to
    // milliseconds). Refuses, storing nothing, with json::EncodingError a record that would not
    // read back (an id that is not a context key id, an item whose id is not its own, text that is
    // not UTF-8), and with DateRangeError a now without a millisecond form.
    void save(const RoutineEdits& edits, const std::string& id, Date now);

    // Removes the record stored under the id; an id without one is no error.
    void deleteEdits(const std::string& id);

    // ---- Episodes ----

    // The episodes of the triggers in [from, to), rebuilt from the observations of the day before
    // from (but not before 0) up to to, and the calendar events from then to a day after to.
    // Nothing for an empty or inverted range. The three reads each take the lock by themselves.
    std::vector<Episode> episodes(std::int64_t from, std::int64_t to);

private:
    // Runs body between BEGIN and COMMIT under the lock; on any failure rolls back (ignoring the
    // rollback's own failure) and rethrows the first error.
    template <class Body>
    void inTransaction(Body&& body) {
        std::lock_guard guard(lock_);
        Transaction transaction(database_);
        body();
        transaction.commit();
    }

    // The rows of sql, (ts, signal, payload), counted first on [from, to) when reserve is set; the
    // payloads of signals outside payloadsOf left empty when it is given.
    std::vector<SignalObservation> readObservations(const std::string& sql, const std::vector<SQLValue>& arguments,
                                                    std::int64_t from, std::int64_t to, bool reserve,
                                                    const std::set<Signal>* payloadsOf);

    static std::string prepareFile(const std::filesystem::path& url);
    static Database open(const std::filesystem::path& url, Access access,
                         std::unique_ptr<ReaderSnapshot>& snapshot);
    void openForReading();
    void migrate();
    void checkTables();
    int readSchemaVersion();

    std::filesystem::path url_;
    std::unique_ptr<ReaderSnapshot> snapshot_; // a reader's view of the file; outlives the connection
    Database database_;
    std::mutex lock_;
    // The observation insert, prepared on the first append and used under lock_; declared after
    // database_ so it is finalised before the connection closes.
    std::optional<PreparedStatement> appendObservation_;
    std::optional<PreparedStatement> selectTriggers_;
    std::optional<PreparedStatement> upsertCalendarEvent_;
};

} // namespace ostrel
