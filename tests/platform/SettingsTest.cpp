#include "platform/Settings.hpp"
#include "platform/SettingsKeys.hpp"
#include "support/LogCapture.hpp"
#include "support/TempDir.hpp"

#include <atomic>
#include <cmath>
#include <csignal>
#include <fstream>
#include <limits>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

namespace fs = std::filesystem;
using test::LogCapture;
using test::TempDir;

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

mode_t modeOf(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

SettingsData bytes(std::initializer_list<int> values) {
    SettingsData data;
    for (int value : values) {
        data.bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return data;
}

struct RoundTrip {
    const char* name;
    SettingsValue value;
};

const std::vector<RoundTrip>& roundTrips() {
    static const std::vector<RoundTrip> cases = {
        {"text", SettingsValue("apple")},
        {"empty text", SettingsValue("")},
        {"unicode text", SettingsValue("Caf\xC3\xA9 \xF0\x9F\x93\x9A \"quoted\"\n")},
        {"text that looks like base64", SettingsValue("AAEC")},
        {"true", SettingsValue(true)},
        {"false", SettingsValue(false)},
        {"integer", SettingsValue(2)},
        {"largest exact integer", SettingsValue(9007199254740992.0)},
        {"negative integer", SettingsValue(-9007199254740991.0)},
        {"fraction", SettingsValue(0.1)},
        {"negative zero", SettingsValue(-0.0)},
        {"tiny", SettingsValue(5e-324)},
        {"date", SettingsValue(SettingsDate{1765412978.125})},
        {"integral date", SettingsValue(SettingsDate{1700000000})},
        {"data", SettingsValue(bytes({0, 1, 2, 255, 254}))},
        {"data of one byte", SettingsValue(bytes({0x41}))},
        {"data of two bytes", SettingsValue(bytes({0x41, 0x42}))},
        {"empty data", SettingsValue(SettingsData{})},
        {"array of text", SettingsValue(SettingsArray{"a", "b", ""})},
        {"mixed array", SettingsValue(SettingsArray{1, SettingsDate{2}, bytes({3}), SettingsArray{}})},
        {"dictionary", SettingsValue(SettingsDictionary{{"day", 1765324800.0}, {"text", "Tuesday"}})},
        {"dictionary with tag-like keys",
         SettingsValue(SettingsDictionary{{"$date", "not a date"}, {"$data", true}, {"plain", 1}})},
        {"dictionary holding only $dictionary",
         SettingsValue(SettingsDictionary{{"$dictionary", SettingsDictionary{{"$x", 1}}}})},
        {"empty dictionary", SettingsValue(SettingsDictionary{})},
    };
    return cases;
}

TEST(Settings, EveryTypeRoundTripsThroughTheFile) {
    TempDir dir;
    {
        Settings settings(dir / "Ostrel");
        for (const RoundTrip& trip : roundTrips()) {
            settings.set(trip.name, trip.value);
        }
    }
    const Settings reread(dir / "Ostrel");
    EXPECT_EQ(reread.keys().size(), roundTrips().size());
    for (const RoundTrip& trip : roundTrips()) {
        const auto value = reread.get(trip.name);
        ASSERT_TRUE(value) << trip.name;
        EXPECT_TRUE(*value == trip.value) << trip.name << ": " << Settings::tagged(*value).dump();
    }
    EXPECT_TRUE(std::signbit(*reread.number("negative zero")));
}

TEST(Settings, TypedGettersGiveNothingForAnotherType) {
    Settings settings(Settings::inMemory);
    settings.set("salt", bytes({0x41, 0x42}));
    settings.set("when", SettingsDate{12.5});
    settings.set("count", 12.5);
    settings.set("name", "AB");
    settings.set("flag", true);

    // Data is never text, a date never a number, and the other way round.
    EXPECT_EQ(settings.text("salt"), std::nullopt);
    EXPECT_EQ(settings.data("salt"), (std::vector<std::uint8_t>{0x41, 0x42}));
    EXPECT_EQ(settings.data("name"), std::nullopt);
    EXPECT_EQ(settings.number("when"), std::nullopt);
    EXPECT_EQ(settings.date("when"), 12.5);
    EXPECT_EQ(settings.date("count"), std::nullopt);
    EXPECT_EQ(settings.number("count"), 12.5);
    EXPECT_EQ(settings.boolean("count"), std::nullopt);
    EXPECT_EQ(settings.number("flag"), std::nullopt);
    EXPECT_EQ(settings.boolean("flag"), true);
    EXPECT_EQ(settings.text("missing"), std::nullopt);
}

TEST(Settings, DataReadsBackAsDataFromTheFile) {
    TempDir dir;
    {
        Settings settings(dir.path());
        settings.set(settingsKeys::networkSalt, bytes({'h', 'i', '!'}));
    }
    // The file holds base64, which is valid text; reading it back must not turn it into text.
    EXPECT_NE(readText(dir / "settings.json").find("\"$data\""), std::string::npos);
    const Settings reread(dir.path());
    EXPECT_EQ(reread.text(settingsKeys::networkSalt), std::nullopt);
    EXPECT_EQ(reread.data(settingsKeys::networkSalt), (std::vector<std::uint8_t>{'h', 'i', '!'}));
}

TEST(Settings, RemoveAndOverwriteReachTheFile) {
    TempDir dir;
    {
        Settings settings(dir.path());
        settings.set("a", 1);
        settings.set("b", 2);
        settings.set("a", "one");
        settings.remove("b");
        settings.remove("never there");
    }
    const Settings reread(dir.path());
    EXPECT_EQ(reread.keys(), std::vector<std::string>{"a"});
    EXPECT_EQ(reread.text("a"), "one");
}

TEST(Settings, FileAndFolderArePrivateEvenWhenTheyExistedWithWiderPermissions) {
    TempDir dir;
    const fs::path folder = dir / "config" / "Ostrel";
    {
        Settings settings(folder);
        settings.set("a", 1);
    }
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(modeOf(folder / "settings.json"), 0600u);

    fs::permissions(folder, fs::perms::all);
    fs::permissions(folder / "settings.json", fs::perms::all);
    Settings settings(folder);
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(modeOf(folder / "settings.json"), 0600u);
    settings.set("b", 2);
    EXPECT_EQ(modeOf(folder / "settings.json"), 0600u);
    EXPECT_EQ(test::namesIn(folder), (std::set<std::string>{"settings.json"}));
}

TEST(Settings, NeverGoesThroughASymbolicLink) {
    TempDir dir;
    fs::create_directory(dir / "elsewhere");
    writeText(dir / "elsewhere" / "target.json", "{\"a\":1}");
    fs::create_directory(dir / "folder");
    fs::create_symlink(dir / "elsewhere" / "target.json", dir / "folder" / "settings.json");
    try {
        Settings settings(dir / "folder");
        FAIL() << "a linked file was opened";
    } catch (const SettingsError& error) {
        EXPECT_EQ(error.kind(), SettingsError::Kind::symbolicLink);
    }

    fs::create_directory_symlink(dir / "elsewhere", dir / "linked");
    try {
        Settings settings(dir / "linked");
        FAIL() << "a linked folder was opened";
    } catch (const SettingsError& error) {
        EXPECT_EQ(error.kind(), SettingsError::Kind::symbolicLink);
    }
    EXPECT_EQ(readText(dir / "elsewhere" / "target.json"), "{\"a\":1}");
    EXPECT_EQ(test::namesIn(dir / "elsewhere"), (std::set<std::string>{"target.json"}));
}

// ---- Failed writes --------------------------------------------------------------------------

class FailedWrite : public ::testing::Test {
protected:
    void SetUp() override {
        Settings settings(dir.path());
        settings.set("kept", "before");
        settings.set(settingsKeys::scoresReminded, 2);
        before = readText(dir / "settings.json");
    }

    void expectUnchanged(const Settings& settings) {
        EXPECT_EQ(settings.keys(), (std::vector<std::string>{"kept", "scoresReminded"}));
        EXPECT_EQ(settings.text("kept"), "before");
        EXPECT_EQ(settings.number(settingsKeys::scoresReminded), 2);
    }

    TempDir dir;
    std::string before;
};

// The file may grow to 4 KiB only: writing the new file fails part way with EFBIG.
class FileSizeLimit {
public:
    FileSizeLimit() {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = 4096;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

TEST_F(FailedWrite, AWriteCutShortKeepsTheOldFileAndValues) {
    Settings settings(dir.path());
    {
        const FileSizeLimit limit;
        EXPECT_THROW(settings.set("big", SettingsData{std::vector<std::uint8_t>(20000, 7)}), SettingsError);
        EXPECT_THROW(settings.set("kept", std::string(20000, 'x')), SettingsError);
    }
    expectUnchanged(settings);
    EXPECT_EQ(readText(dir / "settings.json"), before);
    // No half-written temporary file is left behind.
    EXPECT_EQ(test::namesIn(dir.path()), (std::set<std::string>{"settings.json"}));

    // The next write works and holds only what was stored.
    settings.set("after", true);
    const Settings reread(dir.path());
    EXPECT_EQ(reread.keys(), (std::vector<std::string>{"after", "kept", "scoresReminded"}));
}

TEST_F(FailedWrite, AFileThatCannotBeReplacedKeepsTheValues) {
    Settings settings(dir.path());
    fs::remove(dir / "settings.json");
    fs::create_directory(dir / "settings.json");
    EXPECT_THROW(settings.remove("kept"), SettingsError);
    EXPECT_THROW(settings.set("new", 1), SettingsError);
    expectUnchanged(settings);
    EXPECT_TRUE(fs::is_directory(dir / "settings.json"));
    EXPECT_EQ(test::namesIn(dir.path()), (std::set<std::string>{"settings.json"}));
}

TEST_F(FailedWrite, AValueThatCannotBeEncodedIsRefusedBeforeAnythingChanges) {
    Settings settings(dir.path());
    const std::vector<std::pair<const char*, SettingsValue>> invalid = {
        {"text not UTF-8", SettingsValue("\xFF\xFE")},
        {"NaN", SettingsValue(std::numeric_limits<double>::quiet_NaN())},
        {"infinite date", SettingsValue(SettingsDate{std::numeric_limits<double>::infinity()})},
        {"nested", SettingsValue(SettingsArray{SettingsDictionary{{"k", -std::numeric_limits<double>::infinity()}}})},
        {"key not UTF-8", SettingsValue(SettingsDictionary{{"\xC0", 1}})},
    };
    for (const auto& [name, value] : invalid) {
        try {
            settings.set("kept", value);
            ADD_FAILURE() << name << " was stored";
        } catch (const SettingsError& error) {
            EXPECT_EQ(error.kind(), SettingsError::Kind::invalidValue) << name;
        }
    }
    EXPECT_THROW(settings.set("\xFF", 1), SettingsError);
    expectUnchanged(settings);
    EXPECT_EQ(readText(dir / "settings.json"), before);

    Settings memory(Settings::inMemory);
    EXPECT_THROW(memory.set("a", std::numeric_limits<double>::quiet_NaN()), SettingsError);
    EXPECT_TRUE(memory.keys().empty());
}

// ---- Files that do not read -----------------------------------------------------------------

TEST(Settings, AnUnreadableFileIsMovedAsideOnceAndTheNextGetsTheNextNumber) {
    const std::vector<std::pair<const char*, std::string>> corrupt = {
        {"not JSON", "{\"a\": 1"},
        {"empty", ""},
        {"not an object", "[1, 2]"},
        {"null value", "{\"a\": null}"},
        {"unknown tag", "{\"a\": {\"$when\": 1}}"},
        {"bad base64", "{\"a\": {\"$data\": \"AB=C\"}}"},
        {"date as text", "{\"a\": {\"$date\": \"2020\"}}"},
        {"not UTF-8", "{\"a\": \"\xFF\"}"},
    };
    for (const auto& [name, text] : corrupt) {
        SCOPED_TRACE(name);
        TempDir dir;
        writeText(dir / "settings.json", text);
        writeText(dir / "settings.json.corrupt-1", "older");
        LogCapture capture;
        {
            Settings settings(dir.path());
            EXPECT_TRUE(settings.keys().empty());
            settings.set("fresh", 1);
        }
        EXPECT_EQ(readText(dir / "settings.json.corrupt-1"), "older");
        EXPECT_EQ(readText(dir / "settings.json.corrupt-2"), text);
        const auto entries = capture.entries();
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].category, "settings");
        EXPECT_NE(entries[0].message.find("settings.json.corrupt-2"), std::string::npos) << entries[0].message;
        // The folder names the user and the reason may quote the file: neither is shown by default.
        EXPECT_EQ(entries[0].message.find(dir.path().string()), std::string::npos) << entries[0].message;

        // The new file reads without another move or log line.
        const Settings reread(dir.path());
        EXPECT_EQ(reread.number("fresh"), 1);
        EXPECT_EQ(capture.entries().size(), 1u);
        EXPECT_EQ(test::namesIn(dir.path()),
                  (std::set<std::string>{"settings.json", "settings.json.corrupt-1", "settings.json.corrupt-2"}));
    }
}

TEST(Settings, ASecondCorruptFileGetsTheSecondNumber) {
    TempDir dir;
    LogCapture capture;
    writeText(dir / "settings.json", "first");
    { const Settings settings(dir.path()); }
    writeText(dir / "settings.json", "second");
    { const Settings settings(dir.path()); }
    EXPECT_EQ(readText(dir / "settings.json.corrupt-1"), "first");
    EXPECT_EQ(readText(dir / "settings.json.corrupt-2"), "second");
    EXPECT_EQ(capture.entries().size(), 2u);
}

// ---- Threads --------------------------------------------------------------------------------

TEST(Settings, ConcurrentWritersLoseNothing) {
    TempDir dir;
    constexpr int threads = 6;
    constexpr int perThread = 25;
    {
        Settings settings(dir.path());
        std::vector<std::thread> workers;
        for (int thread = 0; thread < threads; ++thread) {
            workers.emplace_back([&settings, thread] {
                for (int index = 0; index < perThread; ++index) {
                    settings.set("t" + std::to_string(thread) + "-" + std::to_string(index), index);
                    (void)settings.keys();
                }
            });
        }
        for (std::thread& worker : workers) {
            worker.join();
        }
        EXPECT_EQ(settings.keys().size(), static_cast<std::size_t>(threads * perThread));
    }
    const Settings reread(dir.path());
    ASSERT_EQ(reread.keys().size(), static_cast<std::size_t>(threads * perThread));
    for (int thread = 0; thread < threads; ++thread) {
        for (int index = 0; index < perThread; ++index) {
            EXPECT_EQ(reread.number("t" + std::to_string(thread) + "-" + std::to_string(index)), index);
        }
    }
}

TEST(Settings, TwoObjectsOverOneFolderNeverShareATemporaryFile) {
    TempDir dir;
    Settings first(dir.path());
    Settings second(dir.path());
    std::atomic<int> failures{0};
    const auto write = [&failures](Settings& settings, const std::string& prefix) {
        for (int index = 0; index < 100; ++index) {
            try {
                settings.set(prefix + std::to_string(index), index);
            } catch (const SettingsError&) {
                ++failures;
            }
        }
    };
    std::thread one(write, std::ref(first), "a");
    std::thread two(write, std::ref(second), "b");
    one.join();
    two.join();
    EXPECT_EQ(failures.load(), 0);
    // Each object wrote its own values; the file holds the last write's, whole.
    EXPECT_NO_THROW(Settings reread(dir.path()));
    EXPECT_EQ(test::namesIn(dir.path()), (std::set<std::string>{"settings.json"}));
}

// ---- Forms and folders ----------------------------------------------------------------------

TEST(Settings, TaggedFormsAreTheOnesOtherToolsRead) {
    EXPECT_EQ(Settings::tagged(SettingsDate{1.5}).dump(), R"({"$date":1.5})");
    EXPECT_EQ(Settings::tagged(bytes({0, 1, 2})).dump(), R"({"$data":"AAEC"})");
    EXPECT_EQ(Settings::tagged(SettingsDictionary{{"$k", 1}}).dump(), R"({"$dictionary":{"$k":1.0}})");
    EXPECT_TRUE(Settings::untagged(json::parse(R"({"$data":""})")) == SettingsValue(SettingsData{}));
    EXPECT_TRUE(Settings::untagged(json::parse("9007199254740993")) == SettingsValue(9007199254740992.0));
    for (const char* bad : {R"({"$data":"AAE"})", R"({"$data":" AAEC"})", R"({"$data":"A=EC"})",
                            R"({"$dictionary":[1]})", R"({"$date":1,"x":2})", "null"}) {
        EXPECT_THROW(Settings::untagged(json::parse(bad)), SettingsError) << bad;
    }
}

TEST(Settings, DefaultFolderFollowsXdgConfigHome) {
    EXPECT_EQ(Settings::defaultFolder("/x/config", "/home/u"), fs::path("/x/config/Ostrel"));
    EXPECT_EQ(Settings::defaultFolder("relative", "/home/u"), fs::path("/home/u/.config/Ostrel"));
    EXPECT_EQ(Settings::defaultFolder(std::nullopt, "/home/u"), fs::path("/home/u/.config/Ostrel"));
    EXPECT_EQ(Settings::defaultFolder("", "/home/u"), fs::path("/home/u/.config/Ostrel"));
}

} // namespace
} // namespace ostrel
