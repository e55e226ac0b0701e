#include "ui/cloud/CloudArt.hpp"

#include "support/TempDir.hpp"

#include <QFile>

#include <gtest/gtest.h>

namespace ostrel::ui {
namespace {

void writeFile(const std::filesystem::path& path, const char* text) {
    QFile file(QString::fromStdString(path.string()));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

constexpr const char* square =
    R"(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="6"><rect width="10" height="6" fill="#f00"/></svg>)";

TEST(CloudArtTest, ArtIsReadOnceAndAMissingFileIsLookedForOnlyOnce) {
    test::TempDir folder;
    CloudArt art(QString::fromStdString(folder.path().string()));
    writeFile(folder.path() / "frame.svg", square);

    const QImage first = art.image("frame");
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first.deviceIndependentSize().toSize(), QSize(10, 6));
    EXPECT_EQ(first.pixelColor(4, 4), QColor(255, 0, 0));

    EXPECT_TRUE(art.image("gone").isNull());
    // Files that appear or vanish later change nothing: both answers were kept.
    writeFile(folder.path() / "gone.svg", square);
    std::filesystem::remove(folder.path() / "frame.svg");
    EXPECT_TRUE(art.image("gone").isNull());
    EXPECT_EQ(art.image("frame"), first);
}

TEST(CloudArtTest, ABrokenFileGivesAnEmptyImage) {
    test::TempDir folder;
    CloudArt art(QString::fromStdString(folder.path().string()));
    writeFile(folder.path() / "broken.svg", "<svg");
    EXPECT_TRUE(art.image("broken").isNull());
}

} // namespace
} // namespace ostrel::ui
