// The Store's queries over the calendar_events table.

#include "core/foundation/Text.hpp"
#include "core/store/SQLiteError.hpp"
#include "core/store/Store.hpp"

#include <set>
#include <string_view>
#include <utility>

namespace ostrel {

namespace {

std::string joinedLinks(const std::vector<std::string>& links) {
    std::string joined;
    for (std::size_t i = 0; i < links.size(); ++i) {
        if (i > 0) {
            joined += '\n';
        }
        joined += links[i];
    }
    return joined;
}

std::vector<std::string> splitLinks(std::string_view text) {
    std::vector<std::string> links;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view piece = text.substr(0, end);
        if (!piece.empty()) {
            links.emplace_back(piece);
        }
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return links;
}

// (key, occurrence) as the calendar source knows an occurrence: keys equal as Unicode text.
struct OccurrenceLess {
    bool operator()(const std::pair<std::string, std::int64_t>& a,
                    const std::pair<std::string, std::int64_t>& b) const {
        if (const auto order = text::compare(a.first, b.first); order != 0) {
            return order < 0;
        }
        return a.second < b.second;
    }
};

} // namespace

void Store::syncCalendar(std::span<const CalendarEvent> events, std::int64_t from, std::int64_t to,
                         std::int64_t seenAt) {
    inTransaction([&] {
        std::set<std::pair<std::string, std::int64_t>, OccurrenceLess> given;
        // Prepared once: a sync upserts every event of four weeks, and preparing the statement
        // anew cost three times what running it does.
        if (!upsertCalendarEvent_) {
            upsertCalendarEvent_.emplace(
                database_,
                "INSERT INTO calendar_events\n"
                "    (key, occurrence, recurring, title, start_ts, end_ts, location, calendar, links, "
                "first_seen_ts)\n"
                "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)\n"
                "ON CONFLICT (key, occurrence) DO UPDATE SET\n"
                "    recurring = excluded.recurring, title = excluded.title,\n"
                "    start_ts = excluded.start_ts, end_ts = excluded.end_ts,\n"
                "    location = excluded.location, calendar = excluded.calendar, links = excluded.links");
        }
        for (const CalendarEvent& event : events) {
            const std::string links = joinedLinks(event.links);
            PreparedStatement::Argument location = nullptr;
            if (event.location) {
                location = std::string_view(*event.location);
            }
            upsertCalendarEvent_->run({std::string_view(event.key), event.occurrence,
                                       std::int64_t{event.recurring ? 1 : 0}, std::string_view(event.title),
                                       event.start, event.end, location, std::string_view(event.calendar),
                                       std::string_view(links), seenAt});
            given.emplace(event.key, event.occurrence);
        }
        const auto stored = database_.query(
            "SELECT key, occurrence FROM calendar_events WHERE start_ts >= ? AND start_ts < ?",
            {SQLValue(from), SQLValue(to)});
        for (const SQLRow& row : stored) {
            // Rows of another shape are not the source's to judge: they stay.
            const std::string* key = row.size() == 2 ? row[0].textValue() : nullptr;
            const auto occurrence = row.size() == 2 ? row[1].integerValue() : std::nullopt;
            if (key == nullptr || !occurrence || given.contains({*key, *occurrence})) {
                continue;
            }
            database_.execute("DELETE FROM calendar_events WHERE key = ? AND occurrence = ?",
                              {SQLValue(*key), SQLValue(*occurrence)});
        }
    });
}

std::vector<CalendarEvent> Store::calendarEvents(std::int64_t from, std::int64_t to) {
    // The overlap test alone would match events around an inverted range; such a range holds no
    // moment, so nothing overlaps it.
    if (from > to) {
        return {};
    }
    std::vector<SQLRow> rows;
    {
        std::lock_guard guard(lock_);
        rows =
            database_.query("SELECT key, occurrence, recurring, title, start_ts, end_ts, location, calendar, "
                            "links\n"
                            "FROM calendar_events WHERE start_ts < ? AND end_ts > ?\n"
                            "ORDER BY start_ts, key",
                            {SQLValue(to), SQLValue(from)});
    }
    std::vector<CalendarEvent> result;
    result.reserve(rows.size());
    for (const SQLRow& row : rows) {
        if (row.size() != 9) {
            throw SQLiteError(0, "malformed calendar event row");
        }
        const std::string* key = row[0].textValue();
        const auto occurrence = row[1].integerValue();
        const auto recurring = row[2].integerValue();
        const std::string* title = row[3].textValue();
        const auto start = row[4].integerValue();
        const auto end = row[5].integerValue();
        const std::string* location = row[6].textValue();
        const std::string* calendar = row[7].textValue();
        const std::string* links = row[8].textValue();
        if (key == nullptr || !occurrence || !recurring || title == nullptr || !start || !end ||
            calendar == nullptr || links == nullptr) {
            throw SQLiteError(0, "malformed calendar event row");
        }
        result.push_back({*key, *occurrence, *recurring != 0, *title, *start, *end,
                          location ? std::optional<std::string>(*location) : std::nullopt, *calendar,
                          splitLinks(*links)});
    }
    return result;
}

std::vector<CalendarSeries> Store::calendarSeries() {
    std::vector<SQLRow> rows;
    {
        std::lock_guard guard(lock_);
        rows = database_.query("SELECT key, title, min(first_seen_ts) FROM calendar_events\n"
                               "WHERE recurring = 1 GROUP BY key ORDER BY key");
    }
    std::vector<CalendarSeries> result;
    result.reserve(rows.size());
    for (const SQLRow& row : rows) {
        const std::string* key = row.size() == 3 ? row[0].textValue() : nullptr;
        const std::string* title = row.size() == 3 ? row[1].textValue() : nullptr;
        const auto firstSeen = row.size() == 3 ? row[2].integerValue() : std::nullopt;
        if (key == nullptr || title == nullptr || !firstSeen) {
            throw SQLiteError(0, "malformed calendar series row");
        }
        result.push_back({*key, *title, *firstSeen});
    }
    return result;
}

} // namespace ostrel
