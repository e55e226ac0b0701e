// The installed-app list over temporary applications folders: which entries are apps, which folder
// wins, the name in the user's language, the order, and where the folders are.

#include "app/ai/InstalledApps.hpp"
#include "support/TempDir.hpp"

#include <fstream>
#include <map>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

namespace fs = std::filesystem;
using InstalledApps::App;

void writeFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string app(const std::string& name, const std::string& more = "") {
    return "[Desktop Entry]\nType=Application\nName=" + name + "\n" + more;
}

TEST(InstalledAppsAll, OnlyShownApplicationsWithANameAreApps) {
    const struct {
        const char* why;
        std::string text;
        bool listed;
    } cases[] = {
        {"an application", app("Editor"), true},
        {"NoDisplay=false", app("Editor", "NoDisplay=false\n"), true},
        {"a link", "[Desktop Entry]\nType=Link\nName=Editor\n", false},
        {"a directory", "[Desktop Entry]\nType=Directory\nName=Editor\n", false},
        {"no type", "[Desktop Entry]\nName=Editor\n", false},
        {"type in lower case", "[Desktop Entry]\nType=application\nName=Editor\n", false},
        {"hidden", app("Editor", "Hidden=true\n"), false},
        {"not displayed", app("Editor", "NoDisplay=true\n"), false},
        {"no name", "[Desktop Entry]\nType=Application\n", false},
        {"an empty name", app(""), false},
        {"only a translated name", "[Desktop Entry]\nType=Application\nName[de]=Editor\n", false},
        {"malformed", app("Editor", "not a key\n"), false},
    };
    for (const auto& one : cases) {
        test::TempDir dir;
        writeFile(dir / "applications/editor.desktop", one.text);
        const auto apps = InstalledApps::all({dir / "applications"}, "de_DE");
        const std::vector<App> expected = one.listed ? std::vector<App>{{"Editor", "editor"}} : std::vector<App>{};
        EXPECT_EQ(apps, expected) << one.why;
    }
}

TEST(InstalledAppsAll, AnEarlierFolderDecidesForAnIdEvenWhenItHidesIt) {
    test::TempDir dir;
    const fs::path user = dir / "home/applications";
    const fs::path system = dir / "usr/applications";
    writeFile(user / "org.example.Notes.desktop", app("My Notes"));
    writeFile(user / "org.example.Chat.desktop", app("Chat", "Hidden=true\n"));
    writeFile(user / "org.example.Mail.desktop", app("Mail", "NoDisplay=true\n"));
    writeFile(system / "org.example.Notes.desktop", app("Notes"));
    writeFile(system / "org.example.Chat.desktop", app("Chat"));
    writeFile(system / "org.example.Mail.desktop", app("Mail"));
    writeFile(system / "games/chess.desktop", app("Chess"));

    const auto apps = InstalledApps::all({user, system}, "en_US");

    EXPECT_EQ(apps, (std::vector<App>{{"Chess", "games-chess"}, {"My Notes", "org.example.Notes"}}));
}

TEST(InstalledAppsAll, NamesAreInTheLocaleGiven) {
    test::TempDir dir;
    writeFile(dir / "a/calc.desktop", app("Calculator", "Name[de]=Rechner\nName[fr_FR]=Calculatrice\n"));
    const struct {
        const char* locale;
        const char* name;
    } cases[] = {{"de_DE", "Rechner"}, {"fr_FR", "Calculatrice"}, {"fr_CA", "Calculator"}, {"en_US", "Calculator"}};
    for (const auto& one : cases) {
        EXPECT_EQ(InstalledApps::all({dir / "a"}, one.locale), (std::vector<App>{{one.name, "calc"}})) << one.locale;
    }
}

TEST(InstalledAppsAll, SortsByCodePointsAndKeepsScanOrderForEqualNames) {
    test::TempDir dir;
    // Files sort by id within a folder, so the scan order is the ids' order, folder by folder.
    writeFile(dir / "one/a1.desktop", app("zebra"));
    writeFile(dir / "one/a2.desktop", app("Zoo"));
    writeFile(dir / "one/a3.desktop", app("apple"));
    writeFile(dir / "one/a4.desktop", app("Twin"));
    writeFile(dir / "one/a5.desktop", app("Éclair"));
    writeFile(dir / "one/a6.desktop", app("Caf\xC3\xA9")); // precomposed é
    writeFile(dir / "two/b1.desktop", app("Twin"));
    writeFile(dir / "two/b2.desktop", app("Cafe\xCC\x81")); // e + combining acute: the same text
    writeFile(dir / "two/b3.desktop", app("Apple"));
    writeFile(dir / "two/b0.desktop", app("Twin"));

    const auto apps = InstalledApps::all({dir / "one", dir / "two"}, "en_US");

    const std::vector<std::string> ids = {"b3", "a6", "b2", "a4", "b0", "b1", "a2", "a3", "a1", "a5"};
    ASSERT_EQ(apps.size(), ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i) {
        EXPECT_EQ(apps[i].bundleID, ids[i]) << i << ": " << apps[i].name;
    }
}

TEST(InstalledAppsAll, NeverFailsOnFoldersThatAreNotThere) {
    test::TempDir dir;
    const std::string file = dir.write("file", "x");
    EXPECT_TRUE(InstalledApps::all({dir / "missing", file, ""}, "en_US").empty());
}

TEST(InstalledAppsFolders, FollowTheDataHomeThenTheDataFolders) {
    const struct {
        const char* why;
        std::map<std::string, std::string> environment;
        std::vector<std::string> folders;
    } cases[] = {
        {"defaults",
         {{"HOME", "/h"}},
         {"/h/.local/share/applications", "/usr/local/share/applications", "/usr/share/applications"}},
        {"empty variables are unset",
         {{"HOME", "/h"}, {"XDG_DATA_HOME", ""}, {"XDG_DATA_DIRS", ""}},
         {"/h/.local/share/applications", "/usr/local/share/applications", "/usr/share/applications"}},
        {"both set",
         {{"HOME", "/h"}, {"XDG_DATA_HOME", "/data"}, {"XDG_DATA_DIRS", "/opt/share:/srv/share/"}},
         {"/data/applications", "/opt/share/applications", "/srv/share/applications"}},
        {"relative paths are ignored",
         {{"HOME", "/h"}, {"XDG_DATA_HOME", "data"}, {"XDG_DATA_DIRS", "share:/opt/share::./x"}},
         {"/h/.local/share/applications", "/opt/share/applications"}},
        {"only relative data folders leave the data home",
         {{"HOME", "/h"}, {"XDG_DATA_DIRS", "share"}},
         {"/h/.local/share/applications"}},
        {"a folder named twice is searched once",
         {{"HOME", "/h"}, {"XDG_DATA_DIRS", "/usr/share:/h/.local/share:/usr/share/"}},
         {"/h/.local/share/applications", "/usr/share/applications"}},
    };
    for (const auto& one : cases) {
        const auto environment = [&](const std::string& name) -> std::optional<std::string> {
            const auto found = one.environment.find(name);
            return found == one.environment.end() ? std::nullopt : std::optional(found->second);
        };
        std::vector<std::string> folders;
        for (const fs::path& folder : InstalledApps::folders(environment)) {
            folders.push_back(folder.string());
        }
        EXPECT_EQ(folders, one.folders) << one.why;
    }
}

} // namespace
} // namespace ostrel
