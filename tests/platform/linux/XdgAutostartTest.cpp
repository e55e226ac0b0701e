// The autostart entry: how the program's path is written so a session starts exactly that file,
// what reads as starting at login, and that nothing but our own entry is ever touched.

#include "platform/linux/XdgAutostart.hpp"
#include "platform/OperationError.hpp"
#include "support/TempDir.hpp"

#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ostrel {
namespace {

namespace fs = std::filesystem;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

const std::string entryName = "org.ostrel.Ostrel.desktop";
const fs::path program = "/usr/bin/ostrel";

std::string readText(const fs::path& path) {
    std::ifstream input(path, std::ios::binary);
    std::ostringstream text;
    text << input.rdbuf();
    return text.str();
}

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// What a session does with an Exec value, written independently of the writer: the desktop-file
// value escapes first, then the command line's quoting, then "%%". Gives the arguments.
std::vector<std::string> execArguments(const std::string& value) {
    const std::map<char, char> escapes = {{'\\', '\\'}, {'n', '\n'}, {'t', '\t'}, {'r', '\r'}, {'s', ' '}};
    std::string unescaped;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            unescaped += value[i];
            continue;
        }
        const char next = value[++i];
        const auto found = escapes.find(next);
        if (found == escapes.end()) {
            ADD_FAILURE() << "unknown value escape \\" << next << " in " << value;
            return {};
        }
        unescaped += found->second;
    }
    std::vector<std::string> arguments;
    std::size_t i = 0;
    while (i < unescaped.size()) {
        if (unescaped[i] == ' ') {
            ++i;
            continue;
        }
        std::string argument;
        if (unescaped[i] == '"') {
            ++i;
            while (i < unescaped.size() && unescaped[i] != '"') {
                if (unescaped[i] == '\\' && i + 1 < unescaped.size() &&
                    std::string_view("\"`$\\").find(unescaped[i + 1]) != std::string_view::npos) {
                    ++i;
                }
                argument += unescaped[i++];
            }
            if (i == unescaped.size()) {
                ADD_FAILURE() << "unclosed quote in " << value;
                return {};
            }
            ++i;
        } else {
            while (i < unescaped.size() && unescaped[i] != ' ') {
                if (std::string_view("\t\n\"'\\><~|&;$*?#()`").find(unescaped[i]) != std::string_view::npos) {
                    ADD_FAILURE() << "reserved character outside quotes in " << value;
                    return {};
                }
                argument += unescaped[i++];
            }
        }
        std::string literal;
        for (std::size_t j = 0; j < argument.size(); ++j) {
            if (argument[j] == '%') {
                if (j + 1 == argument.size() || argument[j + 1] != '%') {
                    ADD_FAILURE() << "a field code in " << value;
                    return {};
                }
                ++j;
            }
            literal += argument[j];
        }
        arguments.push_back(literal);
    }
    return arguments;
}

TEST(XdgAutostartExec, PathsAreQuotedAndEscapedSoTheSessionRunsExactlyThatFile) {
    struct Case {
        std::string path;
        std::string exec; // as written after "Exec="
    };
    const std::vector<Case> cases = {
        {"/usr/bin/ostrel", "/usr/bin/ostrel"},
        {"/opt/a=b,c+d/ostrel", "/opt/a=b,c+d/ostrel"},
        {"/opt/My Apps/ostrel", R"("/opt/My Apps/ostrel")"},
        {"/opt/it's/ostrel", R"("/opt/it's/ostrel")"},
        {R"(/opt/say "hi"/ostrel)", R"("/opt/say \\"hi\\"/ostrel")"},
        {"/opt/$HOME/ostrel", R"("/opt/\\$HOME/ostrel")"},
        {"/opt/tick`x`/ostrel", R"("/opt/tick\\`x\\`/ostrel")"},
        {R"(/opt/back\slash/ostrel)", R"("/opt/back\\\\slash/ostrel")"},
        {"/opt/100%/ostrel", "/opt/100%%/ostrel"},
        {"/opt/100% sure/%u", R"("/opt/100%% sure/%%u")"},
        {"/opt/a~b/ostrel", R"("/opt/a~b/ostrel")"},
        {"/opt/(x)&y;z|w<v>*?#/ostrel", R"("/opt/(x)&y;z|w<v>*?#/ostrel")"},
        {"/opt/new\nline/ostrel", R"("/opt/new\nline/ostrel")"},
        {"/opt/tab\there/ostrel", R"("/opt/tab\there/ostrel")"},
        {"/opt/Ünïcödé/オストレル", "/opt/Ünïcödé/オストレル"},
        {"/opt/ünï cödé/ostrel", R"("/opt/ünï cödé/ostrel")"},
        {R"(/opt/all "$`\% of it/ostrel)", R"("/opt/all \\"\\$\\`\\\\%% of it/ostrel")"},
    };
    for (const Case& c : cases) {
        const std::string exec = XdgAutostart::execValue(c.path);
        EXPECT_EQ(exec, c.exec) << c.path;
        EXPECT_EQ(exec.find('\n'), std::string::npos) << "a raw line break ends the key: " << c.path;
        EXPECT_EQ(execArguments(exec), std::vector<std::string>{c.path}) << exec;
    }
}

TEST(XdgAutostartExec, TheEntryStartsTheProgramWithoutATerminal) {
    EXPECT_EQ(XdgAutostart::entryText("/opt/My Apps/ostrel"),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Ostrel\n"
              "Comment=Sets your computer up for each class\n"
              "Exec=\"/opt/My Apps/ostrel\"\n"
              "Icon=org.ostrel.Ostrel\n"
              "Terminal=false\n"
              "X-GNOME-Autostart-enabled=true\n");
}

TEST(XdgAutostartPaths, TheFolderFollowsXdgConfigHomeOnlyWhenItIsAbsolute) {
    struct Case {
        std::optional<std::string> configHome;
        fs::path folder;
    };
    const std::vector<Case> cases = {
        {"/elsewhere/config", "/elsewhere/config/autostart"},
        {"relative/config", "/home/student/.config/autostart"},
        {"", "/home/student/.config/autostart"},
        {std::nullopt, "/home/student/.config/autostart"},
    };
    for (const Case& c : cases) {
        const auto environment = [&](const std::string& name) -> std::optional<std::string> {
            if (name == "HOME") {
                return "/home/student";
            }
            return name == "XDG_CONFIG_HOME" ? c.configHome : std::nullopt;
        };
        EXPECT_EQ(XdgAutostart::userPaths(environment).folder, c.folder) << c.configHome.value_or("(unset)");
    }
}

TEST(XdgAutostartPaths, TheExecutableIsThisProcesssOwnProgram) {
    const auto paths = XdgAutostart::userPaths([](const std::string&) { return std::optional<std::string>("/h"); });
    ASSERT_TRUE(paths.executable.has_value());
    EXPECT_TRUE(paths.executable->is_absolute());
    EXPECT_EQ(paths.executable->filename(), "ostrel_platform_tests");
}

class XdgAutostartTest : public ::testing::Test {
protected:
    test::TempDir dir;
    fs::path folder = dir / "config" / "autostart";

    fs::path entry() const { return folder / entryName; }
};

TEST_F(XdgAutostartTest, RegisterWritesTheEntryInAPrivateFolderAndUnregisterRemovesIt) {
    XdgAutostart items(folder, program);
    EXPECT_EQ(items.availability(), Availability::yes());
    EXPECT_EQ(items.entryPath(), entry());
    EXPECT_EQ(items.status(), LoginItemStatus::notRegistered);

    items.registerApp();
    EXPECT_EQ(items.status(), LoginItemStatus::enabled);
    EXPECT_EQ(readText(entry()), XdgAutostart::entryText(program));
    EXPECT_EQ(modeOf(folder), 0700u) << "a folder made here is the user's alone";
    EXPECT_EQ(modeOf(dir / "config"), 0700u);
    EXPECT_EQ(test::namesIn(folder), std::set<std::string>{entryName}) << "no temporary file left behind";

    // Again over an entry the user had turned off: it is replaced, not appended to.
    std::ofstream(entry(), std::ios::app) << "Hidden=true\n";
    EXPECT_EQ(items.status(), LoginItemStatus::notRegistered);
    items.registerApp();
    EXPECT_EQ(items.status(), LoginItemStatus::enabled);
    EXPECT_EQ(readText(entry()), XdgAutostart::entryText(program));

    items.unregisterApp();
    EXPECT_EQ(items.status(), LoginItemStatus::notRegistered);
    EXPECT_FALSE(fs::exists(entry()));
    EXPECT_NO_THROW(items.unregisterApp()) << "a missing entry is already what was asked for";
}

TEST_F(XdgAutostartTest, AnExistingFolderKeepsItsMode) {
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms(0755));
    XdgAutostart(folder, program).registerApp();
    EXPECT_EQ(modeOf(folder), 0755u);
}

TEST_F(XdgAutostartTest, OtherEntriesInTheFolderAreNeverTouched) {
    fs::create_directories(folder);
    const std::map<std::string, std::string> foreign = {
        {"org.example.Chat.desktop", "[Desktop Entry]\nType=Application\nName=Chat\nExec=chat\n"},
        {"org.ostrel.Ostrel.desktop.bak", "kept\n"},
        {"Org.Ostrel.Ostrel.desktop", "[Desktop Entry]\nExec=other\n"},
    };
    for (const auto& [name, text] : foreign) {
        std::ofstream(folder / name) << text;
    }

    XdgAutostart items(folder, program);
    items.registerApp();
    items.unregisterApp();

    std::set<std::string> names;
    for (const auto& [name, text] : foreign) {
        EXPECT_EQ(readText(folder / name), text) << name;
        names.insert(name);
    }
    EXPECT_EQ(test::namesIn(folder), names);
}

TEST_F(XdgAutostartTest, OnlyAWholeEntryThatIsNotTurnedOffReadsAsEnabled) {
    const std::string ours = XdgAutostart::entryText(program);
    struct Case {
        const char* name;
        std::string text;
        LoginItemStatus status;
    };
    const std::vector<Case> cases = {
        {"ours", ours, LoginItemStatus::enabled},
        {"hidden", ours + "Hidden=true\n", LoginItemStatus::notRegistered},
        {"hidden with spaces", ours + "Hidden = true\n", LoginItemStatus::notRegistered},
        {"not hidden", ours + "Hidden=false\n", LoginItemStatus::enabled},
        {"turned off for GNOME", "[Desktop Entry]\nType=Application\nExec=ostrel\nX-GNOME-Autostart-enabled=false\n",
         LoginItemStatus::notRegistered},
        {"comments first", "# made by hand\n\n[Desktop Entry]\nType=Application\nExec=ostrel\n", LoginItemStatus::enabled},
        {"hidden only in an action", ours + "\n[Desktop Action quit]\nName=Quit\nHidden=true\n",
         LoginItemStatus::enabled},
        {"hidden in a localised key only", ours + "Hidden[de]=true\n", LoginItemStatus::enabled},
        {"empty", "", LoginItemStatus::notRegistered},
        {"no group", "Type=Application\nExec=ostrel\n", LoginItemStatus::notRegistered},
        {"another group first", "[Other]\nA=b\n[Desktop Entry]\nExec=ostrel\n", LoginItemStatus::notRegistered},
        {"a line that is no key", "[Desktop Entry]\nExec=ostrel\nthis is not a key\n", LoginItemStatus::notRegistered},
        {"a broken header", "[Desktop Entry\nExec=ostrel\n", LoginItemStatus::notRegistered},
        {"too big", ours + "X-Padding=" + std::string(70 * 1024, 'x') + "\n", LoginItemStatus::notRegistered},
    };
    fs::create_directories(folder);
    const XdgAutostart items(folder, program);
    for (const Case& c : cases) {
        std::ofstream(entry(), std::ios::trunc) << c.text;
        EXPECT_EQ(items.status(), c.status) << c.name;
    }

    fs::remove(entry());
    fs::create_directory(entry());
    EXPECT_EQ(items.status(), LoginItemStatus::notRegistered) << "a folder in the entry's place";
}

TEST_F(XdgAutostartTest, AnUnknownProgramIsNotFoundAndCannotBeRegistered) {
    XdgAutostart known(folder, program);
    known.registerApp();

    XdgAutostart unknown(folder, std::nullopt);
    EXPECT_EQ(unknown.status(), LoginItemStatus::notFound) << "even with an entry in place";
    try {
        unknown.registerApp();
        FAIL() << "registered without a program";
    } catch (const OperationError& error) {
        EXPECT_STREQ(error.what(),
                     "Couldn't add Ostrel to the apps that start at login: its program file can't be found.");
    }
    EXPECT_EQ(readText(entry()), XdgAutostart::entryText(program)) << "the entry there stays";
    unknown.unregisterApp();
    EXPECT_FALSE(fs::exists(entry())) << "removing needs no program";
}

TEST_F(XdgAutostartTest, AProgramPathThatIsNotTextIsRefused) {
    XdgAutostart items(folder, fs::path("/opt/\xff\xfe/ostrel"));
    EXPECT_THROW(items.registerApp(), OperationError);
    EXPECT_FALSE(fs::exists(folder));
}

// Each failure is a sentence for the user, and leaves nothing half written.
TEST_F(XdgAutostartTest, FailuresAreSentencesAndLeaveNothingBehind) {
    struct Case {
        const char* name;
        std::function<fs::path(const fs::path& root)> prepare; // gives the autostart folder
        bool registering;
        const char* prefix;
    };
    const char* adding = "Couldn't add Ostrel to the apps that start at login: ";
    const char* removing = "Couldn't stop Ostrel from starting at login: ";
    const std::vector<Case> cases = {
        {"the folder is a file",
         [](const fs::path& root) {
             std::ofstream(root / "autostart") << "x";
             return root / "autostart";
         },
         true, adding},
        {"a file above the folder",
         [](const fs::path& root) {
             std::ofstream(root / "config") << "x";
             return root / "config" / "autostart";
         },
         true, adding},
        {"a folder in the entry's place",
         [](const fs::path& root) {
             fs::create_directories(root / "autostart" / entryName / "inside");
             return root / "autostart";
         },
         false, removing},
    };
    for (const Case& c : cases) {
        test::TempDir root;
        const fs::path target = c.prepare(root.path());
        const std::set<std::string> before = test::namesIn(root.path());
        XdgAutostart items(target, program);
        try {
            c.registering ? items.registerApp() : items.unregisterApp();
            ADD_FAILURE() << c.name << ": no error";
        } catch (const OperationError& error) {
            EXPECT_THAT(error.what(), StartsWith(c.prefix)) << c.name;
            EXPECT_THAT(error.what(), EndsWith(".")) << c.name;
            EXPECT_THAT(error.what(), HasSubstr(target.string())) << c.name;
        }
        EXPECT_EQ(test::namesIn(root.path()), before) << c.name;
    }
}

TEST_F(XdgAutostartTest, AFolderThatCannotBeWrittenFailsWithoutATemporaryFile) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes regardless of the folder's mode";
    }
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms(0500));
    XdgAutostart items(folder, program);
    try {
        items.registerApp();
        ADD_FAILURE() << "wrote into a read-only folder";
    } catch (const OperationError& error) {
        EXPECT_THAT(error.what(), StartsWith("Couldn't add Ostrel to the apps that start at login: "));
        EXPECT_THAT(error.what(), HasSubstr("permission denied"));
    }
    fs::permissions(folder, fs::perms(0700));
    EXPECT_TRUE(test::namesIn(folder).empty());
    EXPECT_EQ(items.status(), LoginItemStatus::notRegistered);
}

} // namespace
} // namespace ostrel
