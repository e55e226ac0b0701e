// installed-apps as a program: the list and the match it prints for other tools to read. Every
// run names its folders, so no test reads the machine's own applications.

#include "core/foundation/Json.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

namespace fs = std::filesystem;
using test::runProgram;

void writeFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

class InstalledAppsCommand : public ::testing::Test {
protected:
    InstalledAppsCommand() {
        writeFile(dir_ / "user/applications/org.example.Notes.desktop",
                  "[Desktop Entry]\nType=Application\nName=My Notes\n");
        writeFile(dir_ / "usr/applications/org.example.Notes.desktop",
                  "[Desktop Entry]\nType=Application\nName=Notes\n");
        writeFile(dir_ / "usr/applications/zotero.desktop",
                  "[Desktop Entry]\nType=Application\nName=Zotero\nName[de]=Zotero DE\n");
        writeFile(dir_ / "usr/applications/code.desktop",
                  "[Desktop Entry]\nType=Application\nName=Visual Studio Code\n");
    }

    test::ProgramResult run(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), "installed-apps");
        arguments.insert(arguments.end(), {"--folders", folders()});
        return runProgram(OSTREL_DEV_PATH, arguments);
    }

    std::string folders() const {
        return (dir_ / "user/applications").string() + ":" + (dir_ / "missing").string() + ":" +
               (dir_ / "usr/applications").string();
    }

    test::TempDir dir_;
};

TEST_F(InstalledAppsCommand, ListsTheAppsSortedWithTheirIds) {
    const struct {
        std::vector<std::string> options;
        json::Value list;
    } cases[] = {
        {{},
         json::Value::array({{{"name", "My Notes"}, {"bundleID", "org.example.Notes"}},
                             {{"name", "Visual Studio Code"}, {"bundleID", "code"}},
                             {{"name", "Zotero"}, {"bundleID", "zotero"}}})},
        {{"--locale", "de_DE"},
         json::Value::array({{{"name", "My Notes"}, {"bundleID", "org.example.Notes"}},
                             {{"name", "Visual Studio Code"}, {"bundleID", "code"}},
                             {{"name", "Zotero DE"}, {"bundleID", "zotero"}}})},
    };
    for (const auto& one : cases) {
        const auto result = run(one.options);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        const auto lines = test::jsonLines(result.out);
        ASSERT_EQ(lines.size(), 1u) << result.out;
        EXPECT_EQ(lines[0], one.list);
    }
}

TEST_F(InstalledAppsCommand, MatchPrintsTheIdOrNull) {
    const struct {
        const char* name;
        json::Value match;
    } cases[] = {
        {"  notes ", "org.example.Notes"},
        {"studio", "code"},
        {"open zotero for me", "zotero"},
        {"Firefox", nullptr},
        {"", nullptr},
    };
    for (const auto& one : cases) {
        const auto result = run({"--match", one.name});
        ASSERT_EQ(result.status, 0) << one.name << ": " << result.err;
        EXPECT_EQ(test::jsonLines(result.out), std::vector<json::Value>{json::Value({{"match", one.match}})})
            << one.name;
    }
}

TEST_F(InstalledAppsCommand, NoFoldersMeansNoApps) {
    const auto result = runProgram(OSTREL_DEV_PATH, {"installed-apps", "--folders", (dir_ / "missing").string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(json::parse(result.out), json::Value::array());
}

} // namespace
} // namespace ostrel
