#include "platform/SingleInstance.hpp"

#include "platform/sim/VirtualTime.hpp"
#include "support/LogCapture.hpp"
#include "support/TempDir.hpp"

#include <sys/stat.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

namespace fs = std::filesystem;

AppInfo::Environment environmentOf(std::map<std::string, std::string> variables) {
    return [variables = std::move(variables)](const std::string& name) -> std::optional<std::string> {
        const auto found = variables.find(name);
        return found == variables.end() ? std::nullopt : std::optional(found->second);
    };
}

unsigned permissions(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

TEST(SingleInstance, LockPathIsInTheRuntimeFolderOnlyWhenThatIsAnAbsoluteFolder) {
    const test::TempDir dir;
    const std::string runtime = (dir / "run").string();
    fs::create_directory(runtime);
    const std::string file = dir.write("not-a-folder", "");
    const std::string config = (dir / "config").string();
    const fs::path inSettings = dir / "config" / "Ostrel" / "org.ostrel.Ostrel.lock";

    struct Case {
        const char* name;
        std::optional<std::string> runtimeDir;
        fs::path expected;
    };
    const Case cases[] = {
        {"set", runtime, fs::path(runtime) / "org.ostrel.Ostrel.lock"},
        {"unset", std::nullopt, inSettings},
        {"empty", "", inSettings},
        {"relative", "run", inSettings},
        {"a file", file, inSettings},
        {"missing", (dir / "gone").string(), inSettings},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        std::map<std::string, std::string> variables{{"XDG_CONFIG_HOME", config}, {"HOME", dir.path().string()}};
        if (test.runtimeDir) {
            variables["XDG_RUNTIME_DIR"] = *test.runtimeDir;
        }
        EXPECT_EQ(SingleInstance::lockPath(environmentOf(variables)), test.expected);
    }
    EXPECT_EQ(SingleInstance::lockPath(environmentOf({{"HOME", "/home/student"}})),
              fs::path("/home/student/.config/Ostrel/org.ostrel.Ostrel.lock"));
}

TEST(SingleInstance, TwoHoldersOfOneFileConflictUntilTheFirstIsGone) {
    const test::TempDir dir;
    const fs::path lock = dir / "settings" / "Ostrel" / "org.ostrel.Ostrel.lock";
    auto older = std::make_optional<SingleInstance>(lock);
    EXPECT_FALSE(older->held());
    ASSERT_TRUE(older->tryAcquire());
    EXPECT_TRUE(older->held());
    EXPECT_TRUE(older->tryAcquire()) << "held stays held";
    EXPECT_EQ(permissions(lock), 0600u);
    EXPECT_EQ(permissions(dir / "settings"), 0700u);
    EXPECT_EQ(permissions(dir / "settings" / "Ostrel"), 0700u);

    SingleInstance newer(lock);
    EXPECT_FALSE(newer.tryAcquire());
    EXPECT_FALSE(newer.tryAcquire());
    EXPECT_FALSE(newer.held());
    older.reset();
    EXPECT_TRUE(newer.tryAcquire());
    EXPECT_TRUE(newer.held());
    EXPECT_FALSE(SingleInstance(lock).tryAcquire());
}

TEST(SingleInstance, ALinkInPlaceOfTheLockFileIsRefused) {
    const test::TempDir dir;
    const std::string target = dir.write("elsewhere", "keep");
    fs::create_symlink(target, dir / "org.ostrel.Ostrel.lock");
    SingleInstance instance(dir / "org.ostrel.Ostrel.lock");
    EXPECT_THROW(instance.tryAcquire(), SingleInstanceError);
    EXPECT_FALSE(instance.held());
}

// acquire() against an older copy that lets go after a while, in virtual time: tries at 0, 0.5,
// 1.0 ... seconds, the last one right after the last wait.
TEST(SingleInstance, AcquireRetriesUntilTheOlderCopyLetsGoOrTheWaitsRunOut) {
    struct Case {
        const char* name;
        std::optional<double> olderReleasesAfter; // absent: there is no older copy
        bool olderNeverReleases;
        int waits;
        bool expected;
        double expectedAt; // seconds after acquire()
    };
    const Case cases[] = {
        {"no older copy: the first try", std::nullopt, false, 20, true, 0.0},
        {"released after 1.2 s: the fourth try", 1.2, false, 20, true, 1.5},
        {"released after 0.7 s: the third try", 0.7, false, 20, true, 1.0},
        {"released after 9.8 s: the last try", 9.8, false, 20, true, 10.0},
        {"never released: after the twentieth wait", std::nullopt, true, 20, false, 10.0},
        {"never released, no waits: the one try", std::nullopt, true, 0, false, 0.0},
        {"never released, three waits", std::nullopt, true, 3, false, 1.5},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const test::TempDir dir;
        const fs::path lock = dir / "org.ostrel.Ostrel.lock";
        VirtualTime time;
        Executor& main = time.makeExecutor("main");
        const double start = time.clock().monotonic();

        std::optional<SingleInstance> older;
        TaskHandle release;
        if (test.olderReleasesAfter || test.olderNeverReleases) {
            older.emplace(lock);
            ASSERT_TRUE(older->tryAcquire());
        }
        if (test.olderReleasesAfter) {
            release = main.postAfter(*test.olderReleasesAfter, [&] { older.reset(); });
        }

        SingleInstance instance(lock);
        std::vector<std::pair<bool, double>> answers;
        instance.acquire(main, [&](bool held) { answers.emplace_back(held, time.clock().monotonic() - start); },
                         test.waits, 0.5);
        EXPECT_TRUE(answers.empty()) << "acquire() answered before returning";

        if (test.expectedAt > 0) {
            time.advance(test.expectedAt - 0.01);
            EXPECT_TRUE(answers.empty()) << "answered early";
        }
        time.advance(60);
        ASSERT_EQ(answers.size(), 1u);
        EXPECT_EQ(answers[0].first, test.expected);
        EXPECT_DOUBLE_EQ(answers[0].second, test.expectedAt);
        EXPECT_EQ(instance.held(), test.expected);
    }
}

TEST(SingleInstance, DestroyingItStopsTheTriesAndDoneIsNeverCalled) {
    const test::TempDir dir;
    const fs::path lock = dir / "org.ostrel.Ostrel.lock";
    VirtualTime time;
    Executor& main = time.makeExecutor("main");
    SingleInstance older(lock);
    ASSERT_TRUE(older.tryAcquire());
    int answers = 0;
    {
        SingleInstance instance(lock);
        instance.acquire(main, [&](bool) { ++answers; });
        time.advance(2);
    }
    time.advance(60);
    EXPECT_EQ(answers, 0);
    EXPECT_EQ(time.pending(), 0u);
}

TEST(SingleInstance, AcquireAnswersFalseAtOnceWhenTheLockFileCannotBeOpened) {
    const test::TempDir dir;
    const std::string target = dir.write("elsewhere", "keep");
    fs::create_symlink(target, dir / "org.ostrel.Ostrel.lock");
    test::LogCapture log;
    VirtualTime time;
    SingleInstance instance(dir / "org.ostrel.Ostrel.lock");
    std::vector<bool> answers;
    instance.acquire(time.makeExecutor("main"), [&](bool held) { answers.push_back(held); });
    time.settle();
    EXPECT_EQ(answers, std::vector<bool>{false});
    EXPECT_EQ(time.pending(), 0u);
    ASSERT_FALSE(log.entries().empty());
    EXPECT_EQ(log.entries().back().category, "instance");
}

} // namespace
} // namespace ostrel
