#include "platform/linux/NoUpdater.hpp"

#include "support/LogCapture.hpp"
#include "support/TempDir.hpp"

#include <filesystem>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

namespace fs = std::filesystem;

TEST(NoUpdater, IsNotAvailableAndACheckOnlyLogsOneLine) {
    NoUpdater updater;
    EXPECT_FALSE(updater.availability().available);
    EXPECT_FALSE(updater.availability().reason.empty());
    EXPECT_FALSE(updater.startsUpdater());
    test::LogCapture log;
    updater.checkForUpdates();
    const auto entries = log.entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].category, "updater");
}

TEST(Updater, InstalledLayoutIsABinFolderBesideShareOstrel) {
    const test::TempDir dir;
    fs::create_directories(dir / "usr" / "bin");
    fs::create_directories(dir / "usr" / "share" / "ostrel");
    fs::create_directories(dir / "build" / "bin");
    fs::create_directories(dir / "build" / "share");
    fs::create_directories(dir / "opt" / "tools");
    fs::create_directories(dir / "opt" / "share" / "ostrel");
    fs::create_directories(dir / "plain" / "bin");
    fs::create_directories(dir / "plain" / "share");
    dir.write("plain/share/ostrel", "a file, not the folder");
    struct Case {
        const char* name;
        fs::path executable;
        bool expected;
    };
    const Case cases[] = {
        {"installed", dir / "usr" / "bin" / "ostrel", true},
        {"a bin folder without share/ostrel", dir / "build" / "bin" / "ostrel", false},
        {"share/ostrel beside a folder not named bin", dir / "opt" / "tools" / "ostrel", false},
        {"share/ostrel is a file", dir / "plain" / "bin" / "ostrel", false},
        {"a build folder", dir / "build" / "src" / "ostrel", false},
        {"a folder, not an executable", dir / "usr" / "bin" / "", false},
        {"relative", fs::path("ostrel"), false},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(runningFromInstalledLayout(test.executable), test.expected) << test.name;
    }
}

} // namespace
} // namespace ostrel
