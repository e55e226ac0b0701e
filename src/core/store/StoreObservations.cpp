// The Store's queries over the observations and triggers tables.

#include "core/store/SQLiteError.hpp"
#include "core/store/Store.hpp"

#include <algorithm>

namespace ostrel {

// The one write made for every observation, so its statement is prepared once and its texts are
// bound without copies.
void Store::append(std::span<const SignalObservation> observations) {
    inTransaction([&] {
        if (!appendObservation_) {
            appendObservation_.emplace(database_, "INSERT INTO observations (ts, signal, payload) VALUES (?, ?, ?)");
        }
        for (const SignalObservation& observation : observations) {
            appendObservation_->run({observation.ts, std::string_view(observation.signal.rawValue),
                                     std::string_view(observation.payload)});
        }
    });
}

std::vector<SignalObservation> Store::observations(std::int64_t from, std::int64_t to,
                                                   const std::optional<std::set<Signal>>& signals) {
    std::string sql = "SELECT ts, signal, payload FROM observations WHERE ts >= ? AND ts < ?";
    std::vector<SQLValue> arguments{SQLValue(from), SQLValue(to)};
    if (signals) {
        // An empty set gives "IN ()", which SQLite accepts and which matches nothing.
        sql += " AND signal IN (";
        bool first = true;
        for (const Signal& signal : *signals) {
            sql += first ? "?" : ", ?";
            first = false;
            arguments.emplace_back(signal.rawValue);
        }
        sql += ")";
    }
    sql += " ORDER BY ts, id";
    return readObservations(sql, arguments, from, to, !signals, nullptr);
}

std::vector<SignalObservation> Store::observationsWithPayloadsOf(std::int64_t from, std::int64_t to,
                                                                 const std::set<Signal>& payloadsOf) {
    // Not counted first: with most payloads left out, growing the result costs less than the
    // count's second walk of the time index.
    return readObservations("SELECT ts, signal, payload FROM observations WHERE ts >= ? AND ts < ? ORDER BY ts, id",
                            {SQLValue(from), SQLValue(to)}, from, to, false, &payloadsOf);
}

std::vector<SignalObservation> Store::readObservations(const std::string& sql, const std::vector<SQLValue>& arguments,
                                                       std::int64_t from, std::int64_t to, bool reserve,
                                                       const std::set<Signal>* payloadsOf) {
    std::vector<SignalObservation> result;
    std::lock_guard guard(lock_);
    if (reserve) {
        // Counted on the time index first: allocating the whole result once makes a long read a
        // quarter faster than growing it.
        const auto counted = database_.query("SELECT count(*) FROM observations WHERE ts >= ? AND ts < ?",
                                             {SQLValue(from), SQLValue(to)});
        const auto count = counted.empty() || counted.front().empty()
                               ? std::nullopt
                               : counted.front().front().integerValue();
        result.reserve(static_cast<std::size_t>(std::max<std::int64_t>(0, count.value_or(0))));
    }
    // A payload left out is not even read from SQLite, but its row is checked all the same.
    database_.forEachRowView(sql, arguments, [&result, payloadsOf](const RowView& row) {
        if (row.size() != 3) {
            throw SQLiteError(0, "malformed observation row");
        }
        const auto ts = row.integer(0);
        auto signal = row.text(1);
        if (!ts || !signal || !row.holdsText(2)) {
            throw SQLiteError(0, "malformed observation row");
        }
        Signal read(std::move(*signal));
        std::string payload;
        if (payloadsOf == nullptr || payloadsOf->contains(read)) {
            payload = std::move(*row.text(2));
        }
        result.emplace_back(*ts, std::move(read), std::move(payload));
    });
    return result;
}

std::int64_t Store::observationCount(std::int64_t since) {
    std::lock_guard guard(lock_);
    const auto rows = database_.query("SELECT count(*) FROM observations WHERE ts >= ?", {SQLValue(since)});
    if (rows.empty() || rows.front().empty()) {
        return 0;
    }
    return rows.front().front().integerValue().value_or(0);
}

std::int64_t Store::deleteExpiredObservations(Date now) {
    const auto cutoff = truncatedMilliseconds(now - observationRetention);
    if (!cutoff) {
        throw DateRangeError("the expiry cut-off has no millisecond form");
    }
    std::int64_t deleted = 0;
    inTransaction([&] {
        database_.execute("DELETE FROM observations WHERE ts < ?", {SQLValue(*cutoff)});
        deleted = database_.changes();
        // Triggers expire with the observations they came from, or they would rebuild as empty
        // episodes. Old files may hold episode rows that refer to a trigger; those triggers stay, as
        // deleting them would break the reference and fail the whole expiry.
        database_.execute("DELETE FROM triggers WHERE ts < ? AND id NOT IN (SELECT trigger_id FROM episodes)",
                          {SQLValue(*cutoff)});
    });
    return deleted;
}

void Store::insert(std::span<const Trigger> triggers) {
    inTransaction([&] {
        for (const Trigger& trigger : triggers) {
            database_.execute("INSERT OR IGNORE INTO triggers (ts, kind) VALUES (?, ?)",
                              {SQLValue(trigger.ts), SQLValue(std::string(toString(trigger.kind)))});
        }
    });
}

std::vector<Trigger> Store::triggers(std::int64_t from, std::int64_t to) {
    std::vector<Trigger> result;
    std::lock_guard guard(lock_);
    // Prepared once: the browser source asks at every tab it reads.
    if (!selectTriggers_) {
        selectTriggers_.emplace(database_, "SELECT ts, kind FROM triggers WHERE ts >= ? AND ts < ? ORDER BY ts");
    }
    selectTriggers_->forEachRow({from, to}, [&result](const RowView& row) {
        if (row.size() != 2) {
            return;
        }
        const auto ts = row.integer(0);
        const std::optional<std::string> text = row.text(1);
        const auto kind = text ? fromString<Trigger::Kind>(*text) : std::nullopt;
        if (ts && kind) {
            result.push_back({*ts, *kind});
        }
    });
    return result;
}

} // namespace ostrel
