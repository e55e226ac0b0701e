#include "ui/theme/ItemIcon.hpp"

#include "platform/sim/SimulatedMachine.hpp"
#include "support/TempDir.hpp"
#include "ui/theme/Icons.hpp"
#include "ui/theme/Sky.hpp"

#include <QDir>
#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace ostrel::ui {
namespace {

namespace fs = std::filesystem;

// Sets environment variables for one test and puts back what was there.
class ScopedEnvironment {
public:
    void set(const char* name, const std::string& value) {
        if (!saved.contains(name)) {
            const char* old = std::getenv(name);
            saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }

private:
    std::map<std::string, std::optional<std::string>> saved;
};

void writePng(const fs::path& path, QColor color, int side = 48) {
    fs::create_directories(path.parent_path());
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(color);
    ASSERT_TRUE(image.save(QString::fromStdString(path.string()), "PNG"));
}

std::string desktopEntry(const std::string& iconLine) {
    return "[Desktop Entry]\nType=Application\nName=Test\nExec=test\n" + iconLine + "\n";
}

// A home and a data folder of our own, holding a tiny hicolor theme, a pixmap, a picture file and
// the desktop entries of a few apps installed on a simulated machine.
class ItemIconTest : public testing::Test {
protected:
    void SetUp() override {
        environment.set("HOME", (temp / "home").string());
        environment.set("XDG_DATA_HOME", (temp / "home/.local/share").string());
        environment.set("XDG_DATA_DIRS", (temp / "data").string());
        fs::create_directories(temp / "home/.local/share");
        const fs::path theme = temp / "data/icons/hicolor";
        fs::create_directories(theme);
        temp.write("data/icons/hicolor/index.theme",
                   "[Icon Theme]\nName=Hicolor\nDirectories=48x48/apps,48x48/mimetypes\n\n"
                   "[48x48/apps]\nSize=48\nContext=Applications\nType=Threshold\n\n"
                   "[48x48/mimetypes]\nSize=48\nContext=MimeTypes\nType=Threshold\n");
        writePng(theme / "48x48/apps/ostrel-test-green.png", Qt::green);
        writePng(theme / "48x48/mimetypes/ostrel-test-notes.png", Qt::blue);
        writePng(theme / "48x48/mimetypes/text-x-generic.png", Qt::cyan);
        // A MIME database of our own (read from the XML when there is no compiled cache).
        fs::create_directories(temp / "data/mime/packages");
        temp.write("data/mime/packages/ostrel-test.xml", R"(<?xml version="1.0" encoding="UTF-8"?>
<mime-info xmlns="http://www.freedesktop.org/standards/shared-mime-info">
  <mime-type type="text/x-ostrel-notes">
    <comment>Notes</comment>
    <icon name="ostrel-test-notes"/>
    <generic-icon name="text-x-generic"/>
    <glob pattern="*.ostrelnotes"/>
  </mime-type>
  <mime-type type="text/x-ostrel-plan">
    <comment>Plan</comment>
    <generic-icon name="text-x-generic"/>
    <glob pattern="*.ostrelplan"/>
  </mime-type>
</mime-info>
)");
        writePng(temp / "data/pixmaps/ostrel-test-old.png", Qt::yellow);
        writePng(temp / "pictures/red.png", Qt::red);

        install("org.test.Green", desktopEntry("Icon=ostrel-test-green"));
        install("org.test.Suffixed", desktopEntry("Icon=ostrel-test-green.png"));
        install("org.test.File", desktopEntry("Icon=" + (temp / "pictures/red.png").string()));
        install("org.test.Pixmap", desktopEntry("Icon=ostrel-test-old"));
        install("org.test.NoIcon", desktopEntry(""));
        install("org.test.Unthemed", desktopEntry("Icon=ostrel-no-such-icon"));
        install("org.test.MissingFile", desktopEntry("Icon=" + (temp / "pictures/gone.png").string()));
        install("org.test.Broken", "this is not a desktop entry\n");
        MachineState::InstalledApp gone;
        gone.appID = "org.test.Gone";
        gone.path = (temp / "data/applications/gone.desktop").string();
        machine.installApp(gone);
    }

    void install(const std::string& id, const std::string& entry) {
        MachineState::InstalledApp app;
        app.appID = id;
        app.path = temp.write(id + ".desktop", entry);
        machine.installApp(app);
    }

    test::TempDir temp;
    ScopedEnvironment environment;
    SimulatedMachine machine;
};

QColor centre(const QImage& image) {
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

TEST_F(ItemIconTest, EachItemGetsItsIconOrTheFallbackOfItsKind) {
    const QImage dashed = Icons::image("questionmark.square.dashed", QSize(18, 18), Sky::inkSoft(), 2);
    const QImage doc = Icons::image("doc", QSize(18, 18), Sky::ink(), 2);
    const QImage globe = Icons::image("globe", QSize(18, 18), Sky::ink(), 2);
    struct Case {
        const char* id;
        std::optional<QColor> colour; // a picture of one colour, else the symbol below
        const QImage* symbol;
    };
    const Case cases[] = {
        {"app:org.test.Green", QColor(Qt::green), nullptr},
        {"app:org.test.Suffixed", QColor(Qt::green), nullptr},
        {"app:org.test.File", QColor(Qt::red), nullptr},
        {"app:org.test.Pixmap", QColor(Qt::yellow), nullptr},
        {"note:org.test.Green:Week 7", QColor(Qt::green), nullptr},
        {"app:org.test.NoIcon", std::nullopt, &dashed},
        {"app:org.test.Unthemed", std::nullopt, &dashed},
        {"app:org.test.MissingFile", std::nullopt, &dashed},
        {"app:org.test.Broken", std::nullopt, &dashed},
        {"app:org.test.Gone", std::nullopt, &dashed},
        {"app:org.test.NotInstalled", std::nullopt, &dashed},
        {"note:org.test.NotInstalled:Week 7", std::nullopt, &dashed},
        {"page:https://moodle.example.edu", std::nullopt, &globe},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const std::optional<Item> item = Item::fromId(c.id);
        ASSERT_TRUE(item);
        const QImage image = ItemIcon::icon(*item, machine.workspace());
        EXPECT_EQ(image.size(), QSize(36, 36));
        EXPECT_DOUBLE_EQ(image.devicePixelRatio(), 2);
        if (c.colour) {
            EXPECT_EQ(centre(image), *c.colour);
            EXPECT_EQ(image.pixelColor(0, 0), *c.colour);
        } else {
            EXPECT_EQ(image, *c.symbol);
        }
    }
    // A document by its MIME type's icon, then the type's generic one, else the document symbol;
    // the file need not exist.
    const std::pair<const char*, std::optional<QColor>> documents[] = {
        {"notes.ostrelnotes", QColor(Qt::blue)},
        {"week.ostrelplan", QColor(Qt::cyan)},
        {"thing.ostrel-unknown", std::nullopt}};
    for (const auto& [name, colour] : documents) {
        SCOPED_TRACE(name);
        const QImage image = ItemIcon::icon(*Item::document((temp / name).string()), machine.workspace());
        if (colour)
            EXPECT_EQ(centre(image), *colour);
        else
            EXPECT_EQ(image, doc);
    }
}

TEST_F(ItemIconTest, ThemeIsSearchedWhereTheEnvironmentSaysNow) {
    const QStringList paths = ItemIcon::themeSearchPaths();
    EXPECT_EQ(paths.front(), QString::fromStdString((temp / "home/.icons").string()));
    EXPECT_TRUE(paths.contains(QString::fromStdString((temp / "home/.local/share/icons").string())));
    EXPECT_TRUE(paths.contains(QString::fromStdString((temp / "data/icons").string())));
    for (const QString& path : paths)
        EXPECT_TRUE(path.startsWith(QString::fromStdString(temp.path().string()))) << path.toStdString();

    // Another data folder later in the same process: the icon is found there, not in a stale cache.
    test::TempDir other;
    fs::create_directories(other / "icons/hicolor");
    other.write(
        "icons/hicolor/index.theme",
        "[Icon Theme]\nName=Hicolor\nDirectories=48x48/apps\n\n[48x48/apps]\nSize=48\nType=Threshold\n");
    writePng(other / "icons/hicolor/48x48/apps/ostrel-test-green.png", Qt::magenta);
    environment.set("XDG_DATA_DIRS", other.path().string());
    EXPECT_EQ(centre(ItemIcon::icon(*Item::app("org.test.Green"), machine.workspace())), QColor(Qt::magenta));
}

TEST_F(ItemIconTest, APictureKeepsItsProportionsAndSizesFollowTheRequest) {
    QImage wide(60, 30, QImage::Format_ARGB32);
    wide.fill(Qt::red);
    ASSERT_TRUE(wide.save(QString::fromStdString((temp / "pictures/wide.png").string()), "PNG"));
    install("org.test.Wide", desktopEntry("Icon=" + (temp / "pictures/wide.png").string()));
    const QImage image = ItemIcon::icon(*Item::app("org.test.Wide"), machine.workspace(), QSize(20, 20), 1.5);
    EXPECT_EQ(image.size(), QSize(30, 30));
    EXPECT_EQ(centre(image), QColor(Qt::red));
    EXPECT_EQ(qAlpha(image.pixel(15, 1)), 0); // above the centred picture
}

TEST(ItemIconDescriptionTest, OnlyAPageIsDescribed) {
    EXPECT_EQ(ItemIcon::description(*Item::page("https://example.org")), "Web page");
    EXPECT_TRUE(ItemIcon::description(*Item::app("org.test.Green")).isEmpty());
    EXPECT_TRUE(ItemIcon::description(*Item::document("/tmp/a.pdf")).isEmpty());
}

} // namespace
} // namespace ostrel::ui
