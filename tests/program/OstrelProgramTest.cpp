// The built application as a user's desktop starts it: offscreen, with folders of its own, never
// the real home, bus or display.

#include "support/RawDatabase.hpp"
#include "support/StartedProgram.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <poll.h>
#include <string>

namespace ostrel {
namespace {

using namespace std::chrono_literals;

// Points every folder the application uses into dir and keeps it off the real bus and display.
void privateDesktop(const test::TempDir& dir, bool display = true) {
    for (const char* folder : {"home", "config", "data", "cache", "runtime"}) {
        std::filesystem::create_directories(dir / folder);
    }
    std::filesystem::permissions(dir / "runtime", std::filesystem::perms::owner_all);
    ::setenv("HOME", (dir / "home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (dir / "cache").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (dir / "runtime").c_str(), 1);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + (dir / "no-bus").string()).c_str(), 1);
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    if (display) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    } else {
        ::unsetenv("QT_QPA_PLATFORM");
    }
}

std::filesystem::path database(const test::TempDir& dir) {
    return dir / "data" / "Quev" / "quev.sqlite";
}

// Waits up to limit for the application's store to hold its start record.
bool startRecorded(const test::TempDir& dir, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (std::filesystem::exists(database(dir))) {
            try {
                test::RawDatabase raw(database(dir));
                if (raw.scalar("SELECT count(*) FROM observations WHERE signal = 'quev.start'") == "1") {
                    return true;
                }
            } catch (const std::exception&) {
                // Being created: try again.
            }
        }
        ::poll(nullptr, 0, 50);
    }
    return false;
}

TEST(OstrelProgramTest, WithoutADesktopItSaysSoAndExits) {
    test::TempDir dir;
    privateDesktop(dir, false);
    test::StartedProgram ostrel(OSTREL_PATH, {});
    const auto result = ostrel.finish(30s);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("DISPLAY"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line: " << result.err;
    EXPECT_FALSE(std::filesystem::exists(database(dir)));
}

TEST(OstrelProgramTest, StartsOnItsStoreAndShutsDownCleanlyOnASignal) {
    for (const int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(sig);
        test::TempDir dir;
        privateDesktop(dir);
        test::StartedProgram ostrel(OSTREL_PATH, {});
        ASSERT_TRUE(startRecorded(dir, 60s)) << ostrel.finish(1s).err;
        EXPECT_FALSE(ostrel.hasExited());
        ostrel.signal(sig);
        const auto result = ostrel.finish(30s);
        EXPECT_EQ(result.status, 0) << result.err;
        // The writer drained and the store closed: the file reads back whole.
        test::RawDatabase raw(database(dir));
        EXPECT_EQ(raw.scalar("PRAGMA integrity_check"), "ok");
    }
}

TEST(OstrelProgramTest, OfTwoCopiesStartedAtOnceExactlyOneRuns) {
    test::TempDir dir;
    privateDesktop(dir);
    auto first = std::make_unique<test::StartedProgram>(OSTREL_PATH, std::vector<std::string>{});
    auto second = std::make_unique<test::StartedProgram>(OSTREL_PATH, std::vector<std::string>{});

    // The copy that finds the other holding on gives up after its waits (about ten seconds).
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    bool firstEnded = false;
    bool secondEnded = false;
    while (!firstEnded && !secondEnded && std::chrono::steady_clock::now() < deadline) {
        firstEnded = first->hasExited();
        secondEnded = second->hasExited();
        ::poll(nullptr, 0, 50);
    }
    ASSERT_NE(firstEnded, secondEnded) << "exactly one copy ends";
    test::StartedProgram& quitter = firstEnded ? *first : *second;
    test::StartedProgram& runner = firstEnded ? *second : *first;
    const auto gaveUp = quitter.finish(1s);
    EXPECT_EQ(gaveUp.status, 0);
    EXPECT_EQ(gaveUp.err, ""); // silently
    EXPECT_TRUE(startRecorded(dir, 30s));
    EXPECT_FALSE(runner.hasExited());

    runner.signal(SIGTERM);
    EXPECT_EQ(runner.finish(30s).status, 0);
}

} // namespace
} // namespace ostrel
