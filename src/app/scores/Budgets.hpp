#pragma once

#include "core/foundation/Date.hpp"
#include "core/replay/ScoreExport.hpp"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ostrel {

class Clock;

// The resource budgets the score export reports against: the share of one core used since launch,
// the process's private memory and the size of the database.
class Budgets {
public:
    // The raw readings one measurement is made of.
    struct Readings {
        double cpuSeconds = 0;            // user + system time of this process
        double elapsed = 0;               // seconds since launch
        std::uint64_t memoryBytes = 0;    // anonymous + shared resident memory + swap
        std::uint64_t databaseBytes = 0;  // the database file and its write-ahead log
    };

    // The process's launch time: the clock's now the first time it is read, the same afterwards.
    static Date launched(const Clock& clock);

    // The readings of this process now, elapsed from launched(clock); the database file's readings
    // when one is given. Never fails: what cannot be read counts 0.
    static Readings read(const Clock& clock, const std::optional<std::filesystem::path>& database);
    // The budgets of readings: CPU over at least one second, each in MiB (or percent) rounded half
    // away from zero to two decimals.
    static ScoreExport::Budgets from(const Readings& readings);
    // from(read(clock, database)).
    static ScoreExport::Budgets current(const Clock& clock, const std::optional<std::filesystem::path>& database);

    // User + system CPU seconds of this process (getrusage).
    static double cpuSeconds();
    // RssAnon + RssShmem + VmSwap of a /proc/<pid>/status text, in bytes; 0 when none is there.
    static std::uint64_t memoryBytes(std::string_view status);
    // The text of /proc/self/status; nothing when unreadable.
    static std::optional<std::string> processStatus();
    // The sizes of database and of database + "-wal", regular files only; nothing counts 0.
    static std::uint64_t databaseBytes(const std::optional<std::filesystem::path>& database);
};

} // namespace ostrel
