#include "ui/editor/QtPickers.hpp"

#include "support/TempDir.hpp"

#include <filesystem>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace ostrel::ui {
namespace {

namespace fs = std::filesystem;

const std::string app = "[Desktop Entry]\nType=Application\nName=Calculator\nExec=calc\n";

TEST(QtPickersTest, AChosenEntryIsAnAppOnlyWhenTheCatalogueListsIt) {
    test::TempDir temp;
    const fs::path user = temp / "home/.local/share/applications";
    const fs::path system = temp / "usr/share/applications";
    fs::create_directories(user);
    fs::create_directories(system / "kde4");
    fs::create_directories(temp / "elsewhere");
    temp.write("usr/share/applications/org.test.Calc.desktop", app);
    temp.write("usr/share/applications/kde4/kate.desktop", app);
    temp.write("usr/share/applications/org.test.Hidden.desktop", app + "NoDisplay=true\n");
    temp.write("usr/share/applications/org.test.Link.desktop",
               "[Desktop Entry]\nType=Link\nName=Site\nURL=x\n");
    temp.write("usr/share/applications/org.test.Removed.desktop", app);
    temp.write("home/.local/share/applications/org.test.Removed.desktop", app + "Hidden=true\n");
    temp.write("usr/share/applications/notes.txt", "text");
    temp.write("elsewhere/org.test.Calc.desktop", app);
    fs::create_directory_symlink(temp / "usr/share", temp / "share-link");

    const std::vector<fs::path> folders = {user, system};
    const auto apps = InstalledApps::all(folders, "");
    struct Case {
        fs::path chosen;
        std::optional<std::string> id;
    };
    const Case cases[] = {
        {system / "org.test.Calc.desktop", "org.test.Calc"},
        {system / "kde4/kate.desktop", "kde4-kate"},
        {temp / "share-link/applications/org.test.Calc.desktop", "org.test.Calc"},
        {system / "../applications/./org.test.Calc.desktop", "org.test.Calc"},
        {system / "org.test.Hidden.desktop", std::nullopt},
        {system / "org.test.Link.desktop", std::nullopt},
        {system / "org.test.Removed.desktop", std::nullopt},
        {system / "notes.txt", std::nullopt},
        {system / "org.test.Missing.desktop", std::nullopt},
        {temp / "elsewhere/org.test.Calc.desktop", std::nullopt},
        {system, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen.string());
        EXPECT_EQ(QtPickers::applicationID(c.chosen, folders, apps), c.id);
    }
}

TEST(QtPickersTest, TheAppDialogStartsInTheFirstSystemFolderThatExists) {
    test::TempDir temp;
    const fs::path user = temp / "user";
    const fs::path first = temp / "first";
    const fs::path second = temp / "second";
    struct Case {
        const char* name;
        std::vector<fs::path> existing;
        std::optional<fs::path> start;
    };
    const Case cases[] = {
        {"all", {user, first, second}, first},
        {"only the second system folder", {user, second}, second},
        {"only the user's", {user}, user},
        {"none", {}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const fs::path& folder : {user, first, second})
            fs::remove_all(folder);
        for (const fs::path& folder : c.existing)
            fs::create_directories(folder);
        EXPECT_EQ(QtPickers::startFolder({user, first, second}), c.start);
    }
    EXPECT_EQ(QtPickers::startFolder({}), std::nullopt);
}

} // namespace
} // namespace ostrel::ui
