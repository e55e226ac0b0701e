#include "ui/cloud/CloudFade.hpp"

#include "ui/cloud/CloudArt.hpp"

#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

namespace ostrel::ui {
namespace {

// A content that paints itself opaque all over.
class Solid : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(30, 90, 200)); }
};

// The content in a window, as in the application (Qt draws no effect on a window of its own).
struct Framed {
    explicit Framed(QSize size) : content(new Solid) {
        window.resize(size);
        content->setParent(&window);
        content->resize(size);
    }
    QImage rendered() {
        QImage image(window.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        window.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    }
    QWidget window;
    Solid* content;
};

int alphaAt(const QImage& image, int row) { return image.pixelColor(image.width() / 2, row).alpha(); }

TEST(CloudFadeTest, TheApplicationsFadeArtIsThere) {
    EXPECT_FALSE(CloudArt::shared().image("fade-top").isNull());
    EXPECT_FALSE(CloudArt::shared().image("fade-bottom").isNull());
}

TEST(CloudFadeTest, ContentFadesOutOverTheHeightAtTopAndBottom) {
    Framed framed({240, 200});
    cloudFade(framed.content, 40);
    const QImage image = framed.rendered();

    EXPECT_LE(alphaAt(image, 0), 8);
    EXPECT_LE(alphaAt(image, 199), 8);
    for (int row : {40, 100, 159}) EXPECT_GE(alphaAt(image, row), 250) << row;
    // Halfway through each fade the content is about half there, and it grows steadily inwards.
    EXPECT_NEAR(alphaAt(image, 20), 128, 40);
    EXPECT_NEAR(alphaAt(image, 179), 128, 40);
    for (int row = 1; row < 40; ++row) EXPECT_GE(alphaAt(image, row), alphaAt(image, row - 1)) << row;
    // The colour is kept where it shows.
    EXPECT_EQ(image.pixelColor(120, 100), QColor(30, 90, 200));
}

TEST(CloudFadeTest, AShortContentGivesEachFadeHalfItsHeight) {
    Framed framed({240, 60});
    cloudFade(framed.content, 40);
    const QImage image = framed.rendered();
    EXPECT_LE(alphaAt(image, 0), 8);
    EXPECT_LE(alphaAt(image, 59), 8);
    EXPECT_GE(alphaAt(image, 29), 235);
    EXPECT_GE(alphaAt(image, 30), 235);
}

TEST(CloudFadeTest, MissingArtLeavesThatEdgeUnfaded) {
    const QImage top = CloudArt::shared().image("fade-top");
    struct Case {
        const char* name;
        QImage top;
        bool topFades;
    };
    for (const Case& c : {Case{"no art", QImage(), false}, Case{"top art only", top, true}}) {
        SCOPED_TRACE(c.name);
        Framed framed({240, 200});
        framed.content->setGraphicsEffect(new CloudFade(40, c.top, QImage(), framed.content));
        const QImage image = framed.rendered();
        EXPECT_EQ(alphaAt(image, 0) < 10, c.topFades);
        EXPECT_EQ(alphaAt(image, 199), 255);
    }
}

} // namespace
} // namespace ostrel::ui
