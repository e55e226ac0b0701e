// The resource budgets: the arithmetic over the readings, the memory lines of a process status, the
// database's files, and one reading of this very process.

#include "app/scores/Budgets.hpp"

#include "platform/sim/VirtualTime.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

namespace ostrel {
namespace {

void writeBytes(const std::filesystem::path& path, std::size_t count) {
    std::ofstream(path, std::ios::binary) << std::string(count, 'x');
}

TEST(Budgets, TheReadingsAreTurnedIntoPercentAndMebibytesRoundedToTwoDecimals) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* name;
        Budgets::Readings readings;
        ScoreExport::Budgets expected;
    };
    const Case cases[] = {
        // A process half a second old is measured over one second, never over less.
        {"young process", {0.25, 0.5, 0, 0}, {25.0, 0, 0}},
        {"clock went back", {0.25, -30, 0, 0}, {25.0, 0, 0}},
        {"elapsed unreadable", {0.25, nan, 0, 0}, {25.0, 0, 0}},
        {"share of one core", {3, 200, 0, 0}, {1.5, 0, 0}},
        {"more than one core", {30, 10, 0, 0}, {300.0, 0, 0}},
        // 33.333… rounds down, 16.666… up.
        {"a third", {1.0 / 3.0, 1, 0, 0}, {33.33, 0, 0}},
        {"a sixth", {0.5, 3, 0, 0}, {16.67, 0, 0}},
        {"file and log", {0, 1, 0, 3'145'728 + 1'048'576}, {0, 0, 4.0}},
        {"memory", {0, 1, 104'857'600 + 524'288, 0}, {0, 100.5, 0}},
        {"tiny memory", {0, 1, 5'000, 0}, {0, 0.0, 0}},
        {"just under a hundredth", {0, 1, 10'486, 0}, {0, 0.01, 0}},
    };
    for (const Case& c : cases) {
        const ScoreExport::Budgets got = Budgets::from(c.readings);
        EXPECT_DOUBLE_EQ(got.cpuPercent, c.expected.cpuPercent) << c.name;
        EXPECT_DOUBLE_EQ(got.memoryMB, c.expected.memoryMB) << c.name;
        EXPECT_DOUBLE_EQ(got.databaseMB, c.expected.databaseMB) << c.name;
    }
}

TEST(Budgets, MemoryIsTheAnonymousAndSharedResidentPagesAndTheSwap) {
    const std::string status = "Name:\tostrel\n"
                               "VmPeak:\t  900000 kB\n"
                               "VmRSS:\t   50000 kB\n"
                               "RssAnon:\t   30000 kB\n"
                               "RssFile:\t   19000 kB\n"
                               "RssShmem:\t    1000 kB\n"
                               "VmSwap:\t     200 kB\n"
                               "Threads:\t4\n";
    EXPECT_EQ(Budgets::memoryBytes(status), (30000u + 1000u + 200u) * 1024u);
    // Lines missing or malformed count nothing; the last line needs no line feed.
    EXPECT_EQ(Budgets::memoryBytes("RssAnon:\t 10 kB\nRssShmem:\tlots\nVmSwap: 4 kB"), 14u * 1024u);
    EXPECT_EQ(Budgets::memoryBytes("RssAnon:\t 10 pages\n"), 0u);
    EXPECT_EQ(Budgets::memoryBytes(""), 0u);
}

TEST(Budgets, TheDatabaseIsItsFileAndItsWriteAheadLogButNotTheSharedMemoryIndex) {
    const test::TempDir dir;
    const auto database = dir / "quev.sqlite";
    EXPECT_EQ(Budgets::databaseBytes(std::nullopt), 0u);
    EXPECT_EQ(Budgets::databaseBytes(database), 0u) << "a missing file counts nothing";

    writeBytes(database, 3'145'728);
    writeBytes(dir / "quev.sqlite-wal", 1'048'576);
    writeBytes(dir / "quev.sqlite-shm", 32'768);
    EXPECT_EQ(Budgets::databaseBytes(database), 4'194'304u);

    // Only regular files: a folder in the log's place adds nothing.
    std::filesystem::remove(dir / "quev.sqlite-wal");
    std::filesystem::create_directory(dir / "quev.sqlite-wal");
    EXPECT_EQ(Budgets::databaseBytes(database), 3'145'728u);
}

TEST(Budgets, ThisProcessIsMeasuredSinceItsLaunch) {
    const test::TempDir dir;
    writeBytes(dir / "quev.sqlite", 2'097'152);
    VirtualTime time{1'800'000'000.0};
    const Date launch = Budgets::launched(time.clock());
    time.advance(10);
    const Budgets::Readings readings = Budgets::read(time.clock(), dir / "quev.sqlite");
    EXPECT_DOUBLE_EQ(readings.elapsed, time.clock().now() - launch);
    EXPECT_GT(readings.cpuSeconds, 0.0) << "a running test has used some CPU";
    EXPECT_GT(readings.memoryBytes, 0u) << "a running test has private memory";
    EXPECT_EQ(readings.databaseBytes, 2'097'152u);
    EXPECT_DOUBLE_EQ(Budgets::current(time.clock(), dir / "quev.sqlite").databaseMB, 2.0);
}

} // namespace
} // namespace ostrel
