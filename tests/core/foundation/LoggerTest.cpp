#include "core/foundation/Logger.hpp"

#include "support/LogCapture.hpp"

#include <stdexcept>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(Logger, TextArgumentsArePrivateUnlessMarkedPublic) {
    const struct {
        const char* format;
        std::vector<std::string> arguments;
        const char* redacted;
        const char* revealed;
    } cases[] = {
        {"Couldn't write %s: %@",
         {"app.launch", "SQLite error 8: read-only"},
         "Couldn't write <private>: <private>",
         "Couldn't write app.launch: SQLite error 8: read-only"},
        {"%{public}s left %d items", {"Notes", "3"}, "Notes left 3 items", "Notes left 3 items"},
        {"%{private}d of %lld", {"7", "9"}, "<private> of 9", "7 of 9"},
        {"%{public, name}@ and %{ private }s", {"a", "b"}, "a and <private>", "a and b"},
        {"100%% of %s", {"x"}, "100% of <private>", "100% of x"},
        {"%s and %s", {"only"}, "<private> and <missing>", "only and <missing>"},
        {"no conversions", {"ignored"}, "no conversions", "no conversions"},
        {"trailing %", {}, "trailing %", "trailing %"},
        {"%5.2f%", {"1.5"}, "1.5%", "1.5%"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Logger::render(c.format, c.arguments, false), c.redacted) << c.format;
        EXPECT_EQ(Logger::render(c.format, c.arguments, true), c.revealed) << c.format;
    }
}

TEST(Logger, EntriesCarrySubsystemCategoryFormatAndArguments) {
    const Logger logger("triggers");
    {
        test::LogCapture capture;
        logger.error("Couldn't record triggers: %@", std::runtime_error("disk full"));
        logger.info("%{public}s: %d of %f", "count", 3, 0.5);
        const auto entries = capture.entries();
        ASSERT_EQ(entries.size(), 2u);
        EXPECT_EQ(entries[0].level, LogLevel::error);
        EXPECT_EQ(entries[0].subsystem, "Ostrel");
        EXPECT_EQ(entries[0].category, "triggers");
        EXPECT_EQ(entries[0].format, "Couldn't record triggers: %@");
        EXPECT_EQ(entries[0].arguments, std::vector<std::string>{"disk full"});
        EXPECT_EQ(entries[0].message, "Couldn't record triggers: <private>");
        EXPECT_EQ(entries[1].message, "count: 3 of 0.5");
    }
    {
        test::LogCapture capture(/*revealPrivate=*/true);
        logger.error("Couldn't record triggers: %@", std::runtime_error("disk full"));
        ASSERT_EQ(capture.entries().size(), 1u);
        EXPECT_EQ(capture.entries()[0].message, "Couldn't record triggers: disk full");
    }
    EXPECT_FALSE(Logger::revealsPrivateData()) << "the capture restores the default";
}

TEST(Logger, EmptySinkDropsEntries) {
    test::LogCapture outer;
    const LogSink previous = Logger::setSink({});
    Logger("x").error("dropped");
    Logger::setSink(previous);
    Logger("x").error("kept");
    ASSERT_EQ(outer.entries().size(), 1u);
    EXPECT_EQ(outer.entries()[0].message, "kept");
}

} // namespace
} // namespace ostrel
