// The desktop-entry index: what a file says once its escapes, comments and translations are read,
// which files count and under which id, and that no file or folder can make the scan fail or hang.

#include "platform/linux/DesktopEntries.hpp"
#include "support/TempDir.hpp"

#include <algorithm>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

namespace fs = std::filesystem;

void writeFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string entryText(const std::string& name, const std::string& more = "") {
    return "[Desktop Entry]\nType=Application\nName=" + name + "\n" + more;
}

std::vector<std::string> idsOf(const DesktopEntries& index) {
    std::vector<std::string> ids;
    for (const DesktopEntry& entry : index.entries()) {
        ids.push_back(entry.id);
    }
    return ids;
}

TEST(DesktopEntriesParse, ValuesLoseTheirEscapesAndSurroundingBlanks) {
    const struct {
        const char* written;
        const char* read;
    } cases[] = {
        {R"(Name=A\sB)", "A B"},
        {R"(Name=line\nbreak)", "line\nbreak"},
        {R"(Name=tab\there)", "tab\there"},
        {R"(Name=cr\rhere)", "cr\rhere"},
        {R"(Name=back\\slash)", "back\\slash"},
        {R"(Name=\\s is not a space)", "\\s is not a space"},
        {R"(Name=\sleading)", " leading"},
        {"Name =  spaced out \t", "spaced out"},
        {R"(Name=unknown \x stays)", "unknown \\x stays"},
        {R"(Name=ends in \)", "ends in \\"},
        {"Name=a=b", "a=b"},
        {"Name=", ""},
    };
    for (const auto& one : cases) {
        const auto entry = DesktopEntries::parse(std::string("[Desktop Entry]\n") + one.written + "\n", "C");
        ASSERT_TRUE(entry) << one.written;
        EXPECT_EQ(entry->name, one.read) << one.written;
    }
}

TEST(DesktopEntriesParse, KeepsTheKeysAWindowBackEndNeeds) {
    const auto entry = DesktopEntries::parse("# written by hand\n"
                                             "\n"
                                             "   # an indented comment\n"
                                             "[Desktop Entry]\r\n"
                                             "Type=Application\r\n"
                                             "Name=Text Editor\n"
                                             "Exec=gedit\\s--new-window %U\n"
                                             "TryExec=/usr/bin/gedit\n"
                                             "Icon=org.gnome.gedit\n"
                                             "StartupWMClass=Gedit\n"
                                             "OnlyShowIn=GNOME;Uni\\;ty;\n"
                                             "NotShowIn=KDE;\n"
                                             "X-Vendor_Key.v2=kept out\n"
                                             "\n"
                                             "[Desktop Action new-window]\n"
                                             "Name=New Window\n"
                                             "Exec=gedit --new-window\n"
                                             "NoDisplay=true\n",
                                             "C");
    ASSERT_TRUE(entry);
    DesktopEntry expected;
    expected.type = "Application";
    expected.name = "Text Editor";
    expected.exec = "gedit --new-window %U";
    expected.tryExec = "/usr/bin/gedit";
    expected.icon = "org.gnome.gedit";
    expected.startupWMClass = "Gedit";
    expected.onlyShowIn = "GNOME;Uni\\;ty;";
    expected.notShowIn = "KDE;";
    EXPECT_EQ(*entry, expected);
}

TEST(DesktopEntriesParse, BooleansAreTrueOnlyWhenSaidSo) {
    const struct {
        const char* value;
        bool set;
    } cases[] = {{"true", true}, {"1", true}, {"false", false}, {"0", false}, {"True", false}, {"yes", false}};
    for (const auto& one : cases) {
        const auto entry = DesktopEntries::parse(std::string("[Desktop Entry]\nHidden=") + one.value +
                                                 "\nNoDisplay=" + one.value + "\n", "C");
        ASSERT_TRUE(entry) << one.value;
        EXPECT_EQ(entry->hidden, one.set) << one.value;
        EXPECT_EQ(entry->noDisplay, one.set) << one.value;
    }
}

TEST(DesktopEntriesParse, MalformedTextIsNoEntry) {
    const struct {
        const char* why;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"only comments", "# nothing\n\n"},
        {"a key before any group", "Name=Early\n[Desktop Entry]\nName=Late\n"},
        {"another group first", "[Desktop Action x]\nName=X\n[Desktop Entry]\nName=Y\n"},
        {"the main group twice", "[Desktop Entry]\nName=A\n[Other]\n[Desktop Entry]\nName=B\n"},
        {"a line without =", "[Desktop Entry]\nName=A\njust words\n"},
        {"an unclosed group", "[Desktop Entry\nName=A\n"},
        {"an empty group name", "[Desktop Entry]\n[]\n"},
        {"an unclosed locale", "[Desktop Entry]\nName[de=A\n"},
        {"an empty key", "[Desktop Entry]\n=A\n"},
        {"a name not in UTF-8", "[Desktop Entry]\nName=Caf\xE9\n"},
        {"a command not in UTF-8", "[Desktop Entry]\nName=Caf\xC3\xA9\nExec=caf\xE9\n"},
        {"a bad line in a later group", "[Desktop Entry]\nName=A\n[Desktop Action x]\noops\n"},
    };
    for (const auto& one : cases) {
        EXPECT_FALSE(DesktopEntries::parse(one.text, "C")) << one.why;
    }
    EXPECT_TRUE(DesktopEntries::parse("\xEF\xBB\xBF[Desktop Entry]\nName=A\n", "C")) << "a byte-order mark";
    EXPECT_TRUE(DesktopEntries::parse("[Desktop Entry]\nName=A\nComment[fr]=caf\xE9\n", "C"))
        << "a stray byte in a key not kept";
}

TEST(DesktopEntriesParse, TheNameFollowsTheLocaleFromMostToLeastSpecific) {
    const std::vector<std::pair<std::string, std::string>> all = {
        {"de_DE@euro", "de_DE@euro"}, {"de_DE", "de_DE"}, {"de@euro", "de@euro"}, {"de", "de"}, {"fr", "fr"}};
    // Each row leaves out the translations named in `without`, so the next one in order shows.
    const struct {
        const char* locale;
        std::vector<std::string> without;
        const char* shown;
    } cases[] = {
        {"de_DE@euro", {}, "de_DE@euro"},
        {"de_DE.UTF-8@euro", {}, "de_DE@euro"},
        {"de_DE@euro", {"de_DE@euro"}, "de_DE"},
        {"de_DE@euro", {"de_DE@euro", "de_DE"}, "de@euro"},
        {"de_DE@euro", {"de_DE@euro", "de_DE", "de@euro"}, "de"},
        {"de_DE@euro", {"de_DE@euro", "de_DE", "de@euro", "de"}, "plain"},
        {"de_DE", {}, "de_DE"},
        {"de_DE.UTF-8", {}, "de_DE"},
        {"de-DE", {}, "de_DE"},
        {"de_DE@calendar=gregorian", {}, "de_DE"}, // an ICU keyword is no modifier
        {"de_AT", {}, "de"},
        {"de", {}, "de"},
        {"fr_CA", {}, "fr"},
        {"it_IT", {}, "plain"},
        {"C", {}, "plain"},
        {"", {}, "plain"},
    };
    for (const auto& one : cases) {
        // In the file's order and reversed: the rank decides, not the place in the file.
        for (const bool reversed : {false, true}) {
            std::vector<std::string> lines;
            for (const auto& [locale, value] : all) {
                if (std::find(one.without.begin(), one.without.end(), locale) == one.without.end()) {
                    lines.push_back("Name[" + locale + "]=" + value + "\n");
                }
            }
            if (reversed) {
                std::reverse(lines.begin(), lines.end());
            }
            std::string text = "[Desktop Entry]\nName=plain\n";
            for (const std::string& line : lines) {
                text += line;
            }
            const auto entry = DesktopEntries::parse(text, one.locale);
            ASSERT_TRUE(entry);
            EXPECT_EQ(entry->shownName(), one.shown)
                << one.locale << " without " << one.without.size() << (reversed ? ", reversed" : "");
        }
    }

    const std::string odd = "[Desktop Entry]\nName=plain\nName[sr.UTF-8@latin]=Latinica\nName[pt_BR]=\n"
                            "Name[pt]=Portugu\xC3\xAAs\n";
    EXPECT_EQ(DesktopEntries::parse(odd, "sr_RS@latin")->shownName(), "Latinica") << "a key's encoding part is dropped";
    EXPECT_EQ(DesktopEntries::parse(odd, "pt_BR")->shownName(), "Portugu\xC3\xAAs") << "an empty translation is none";
    EXPECT_EQ(DesktopEntries::parse(odd, "pt_BR")->name, "plain");
}

TEST(DesktopEntriesFileID, IsThePathBelowTheFolderWithDashes) {
    const struct {
        const char* relative;
        std::optional<std::string> id;
    } cases[] = {
        {"org.gnome.Calculator.desktop", "org.gnome.Calculator"},
        {"kde4/kate.desktop", "kde4-kate"},
        {"a/b/c.desktop", "a-b-c"},
        {"Calc.Desktop", std::nullopt},
        {"calc.DESKTOP", std::nullopt},
        {"calc.desktop~", std::nullopt},
        {".desktop", std::nullopt},
        {"calc", std::nullopt},
    };
    for (const auto& one : cases) {
        EXPECT_EQ(DesktopEntries::fileID(one.relative), one.id) << one.relative;
    }
}

TEST(DesktopEntriesScan, TheFirstFolderWinsAnIdAndSubfoldersNameTheirs) {
    test::TempDir dir;
    const fs::path user = dir / "home/applications";
    const fs::path system = dir / "usr/applications";
    writeFile(user / "editor.desktop", entryText("Mine"));
    writeFile(system / "editor.desktop", entryText("Theirs"));
    writeFile(system / "kde4/kate.desktop", entryText("Kate"));
    writeFile(system / "kde4-kate.desktop", entryText("Flat Kate")); // same id; "kde4" sorts first
    writeFile(system / "zeta.desktop", entryText("Zeta"));
    writeFile(system / "Upper.Desktop", entryText("Wrong suffix"));
    writeFile(system / "upper.DESKTOP", entryText("Wrong suffix"));
    writeFile(system / ".desktop", entryText("No name before the suffix"));
    writeFile(system / "notes.txt", entryText("Not an entry"));

    const DesktopEntries index = DesktopEntries::scan({user, dir / "missing/applications", system}, "C");

    EXPECT_EQ(idsOf(index), (std::vector<std::string>{"editor", "kde4-kate", "zeta"}));
    ASSERT_NE(index.find("editor"), nullptr);
    EXPECT_EQ(index.find("editor")->name, "Mine");
    EXPECT_EQ(index.find("editor")->path, user / "editor.desktop");
    ASSERT_NE(index.find("kde4-kate"), nullptr);
    EXPECT_EQ(index.find("kde4-kate")->name, "Kate");
    EXPECT_EQ(index.find("kde4-kate")->path, system / "kde4/kate.desktop");
    EXPECT_EQ(index.find("Upper"), nullptr);
    EXPECT_EQ(index.find("editor.desktop"), nullptr);
}

TEST(DesktopEntriesScan, AFileThatCannotBeUsedLeavesItsIdToTheNextFolder) {
    test::TempDir dir;
    const fs::path first = dir / "first";
    const fs::path second = dir / "second";
    writeFile(first / "broken.desktop", "[Desktop Entry]\nName=Half\nwritten by a crash");
    writeFile(first / "binary.desktop", std::string("\x7F" "ELF\0\0\xFF", 7));
    fs::create_directories(first / "folder.desktop");
    fs::create_symlink(dir / "nowhere.desktop", first / "dangling.desktop");
    ASSERT_EQ(::mkfifo((first / "pipe.desktop").c_str(), 0600), 0);
    writeFile(first / "huge.desktop", entryText(std::string(2 * 1024 * 1024, 'x')));
    for (const char* id : {"broken", "binary", "folder", "dangling", "pipe", "huge"}) {
        writeFile(second / (std::string(id) + ".desktop"), entryText(std::string("Good ") + id));
    }

    const DesktopEntries index = DesktopEntries::scan({first, second}, "C");

    for (const char* id : {"broken", "binary", "folder", "dangling", "pipe", "huge"}) {
        ASSERT_NE(index.find(id), nullptr) << id;
        EXPECT_EQ(index.find(id)->name, std::string("Good ") + id) << id;
        EXPECT_EQ(index.find(id)->path, second / (std::string(id) + ".desktop")) << id;
    }
}

TEST(DesktopEntriesScan, KeepsHiddenAndOtherTypesSoTheyStillClaimTheirIds) {
    test::TempDir dir;
    writeFile(dir / "a/app.desktop", "[Desktop Entry]\nHidden=true\n");
    writeFile(dir / "a/link.desktop", "[Desktop Entry]\nType=Link\nName=Site\nURL=https://example.org\n");
    writeFile(dir / "b/app.desktop", entryText("Removed by the user"));

    const DesktopEntries index = DesktopEntries::scan({dir / "a", dir / "b"}, "C");

    EXPECT_EQ(idsOf(index), (std::vector<std::string>{"app", "link"}));
    EXPECT_TRUE(index.find("app")->hidden);
    EXPECT_EQ(index.find("link")->type, "Link");
}

TEST(DesktopEntriesScan, FoldersThatCannotBeListedAddNothing) {
    test::TempDir dir;
    writeFile(dir / "good/ok.desktop", entryText("Ok"));
    const std::string file = dir.write("plain-file", "not a folder");
    fs::create_directories(dir / "loop");
    fs::create_symlink(dir / "loop", dir / "loop/again"); // a folder that holds itself
    writeFile(dir / "loop/inner.desktop", entryText("Inner"));
    fs::create_directories(dir / "locked");
    writeFile(dir / "locked/secret.desktop", entryText("Secret"));
    ::chmod((dir / "locked").c_str(), 0);
    const bool lockHolds = ::geteuid() != 0; // root reads a folder whatever its mode

    const DesktopEntries index =
        DesktopEntries::scan({dir / "missing", file, dir / "locked", dir / "loop", "", dir / "good"}, "C");
    ::chmod((dir / "locked").c_str(), 0700);

    std::vector<std::string> expected = {"inner", "ok"};
    if (!lockHolds) {
        expected.insert(expected.begin(), "secret");
    }
    EXPECT_EQ(idsOf(index), expected);
    EXPECT_TRUE(DesktopEntries::scan({}, "C").entries().empty());
}

} // namespace
} // namespace ostrel
