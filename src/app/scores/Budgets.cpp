#include "app/scores/Budgets.hpp"

#include "platform/Clock.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <system_error>

namespace ostrel {

namespace {

constexpr double mebibyte = 1'048'576.0;

// Two decimals, halves away from zero (std::round does that).
double twoDecimals(double value) {
    return std::round(value * 100.0) / 100.0;
}

// The size of a regular file (symbolic links followed), 0 for anything else or nothing.
std::uint64_t regularSize(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return 0;
    }
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::uint64_t>(size);
}

// The kB value of a "Name:   1234 kB" line, in bytes; nothing when the line is not of that form.
std::optional<std::uint64_t> kilobytes(std::string_view value) {
    const auto start = value.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        return std::nullopt;
    }
    value.remove_prefix(start);
    std::uint64_t number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc{}) {
        return std::nullopt;
    }
    const std::string_view unit(end, static_cast<std::size_t>(value.data() + value.size() - end));
    if (unit.find("kB") == std::string_view::npos) {
        return std::nullopt;
    }
    return number * 1024;
}

} // namespace

Date Budgets::launched(const Clock& clock) {
    static const Date launch = clock.now();
    return launch;
}

double Budgets::cpuSeconds() {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) {
        return 0;
    }
    // Whole seconds and microseconds summed apart, so no precision is lost before the division.
    const auto seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec);
    const auto micros = static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    return seconds + micros / 1'000'000.0;
}

std::uint64_t Budgets::memoryBytes(std::string_view status) {
    std::uint64_t total = 0;
    while (!status.empty()) {
        const auto newline = status.find('\n');
        const std::string_view line = status.substr(0, newline);
        status = newline == std::string_view::npos ? std::string_view{} : status.substr(newline + 1);
        const auto colon = line.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        const std::string_view name = line.substr(0, colon);
        if (name == "RssAnon" || name == "RssShmem" || name == "VmSwap") {
            total += kilobytes(line.substr(colon + 1)).value_or(0);
        }
    }
    return total;
}

std::optional<std::string> Budgets::processStatus() {
    std::ifstream file("/proc/self/status");
    if (!file) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) {
        return std::nullopt;
    }
    return text.str();
}

std::uint64_t Budgets::databaseBytes(const std::optional<std::filesystem::path>& database) {
    if (!database) {
        return 0;
    }
    // The write-ahead log holds pages not yet checkpointed; the shared-memory index is not data.
    std::filesystem::path wal = *database;
    wal += "-wal";
    return regularSize(*database) + regularSize(wal);
}

Budgets::Readings Budgets::read(const Clock& clock, const std::optional<std::filesystem::path>& database) {
    Readings readings;
    readings.cpuSeconds = cpuSeconds();
    readings.elapsed = clock.now() - launched(clock);
    const auto status = processStatus();
    readings.memoryBytes = status ? memoryBytes(*status) : 0;
    readings.databaseBytes = databaseBytes(database);
    return readings;
}

ScoreExport::Budgets Budgets::from(const Readings& readings) {
    // A clock that went back, or a reading that is not a number, still divides by one second.
    const double elapsed = std::isfinite(readings.elapsed) ? std::max(readings.elapsed, 1.0) : 1.0;
    ScoreExport::Budgets budgets;
    budgets.cpuPercent = twoDecimals(readings.cpuSeconds / elapsed * 100.0);
    budgets.memoryMB = twoDecimals(static_cast<double>(readings.memoryBytes) / mebibyte);
    budgets.databaseMB = twoDecimals(static_cast<double>(readings.databaseBytes) / mebibyte);
    return budgets;
}

ScoreExport::Budgets Budgets::current(const Clock& clock, const std::optional<std::filesystem::path>& database) {
    return from(read(clock, database));
}

} // namespace ostrel
