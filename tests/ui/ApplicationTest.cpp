#include "ui/Application.hpp"

#include "ui/theme/Fonts.hpp"
#include "ui/theme/Sky.hpp"

#include <QApplication>
#include <QFontInfo>
#include <QStyle>

#include <gtest/gtest.h>

namespace ostrel::ui {
namespace {

// The application object is shared by every widget test: put back what prepareApplication changes.
class ApplicationTest : public testing::Test {
protected:
    ~ApplicationTest() override {
        QApplication::setQuitOnLastWindowClosed(quits_);
        QApplication::setPalette(palette_);
        QApplication::setFont(font_);
        QApplication::setStyle(style_);
    }

    bool quits_ = QApplication::quitOnLastWindowClosed();
    QPalette palette_ = QApplication::palette();
    QFont font_ = QApplication::font();
    QString style_ = QApplication::style()->name();
};

TEST_F(ApplicationTest, KeepsRunningWithoutWindowsAndLooksLightWhateverTheDesktopSet) {
    QApplication::setQuitOnLastWindowClosed(true);
    QApplication::setPalette(QPalette(QColor(30, 30, 30)));
    QApplication::setStyle("Windows");
    QApplication::setFont(QFont("Serif", 20));

    prepareApplication(*qApp);

    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());
    EXPECT_EQ(QApplication::style()->name(), "fusion");
    const QPalette palette = QApplication::palette();
    EXPECT_EQ(palette.color(QPalette::WindowText), Sky::ink());
    EXPECT_EQ(palette.color(QPalette::Base), QColor(Qt::white));
    EXPECT_EQ(palette.color(QPalette::Highlight), Sky::button());
    const QFontInfo font(QApplication::font());
    EXPECT_EQ(font.family(), Fonts::family());
    EXPECT_EQ(font.pixelSize(), 13);
}

TEST(LightPaletteTest, SetsEveryRoleOfEveryGroup) {
    const QPalette palette = lightPalette();
    for (int g = 0; g < QPalette::NColorGroups; ++g) {
        for (int r = 0; r < QPalette::NColorRoles; ++r) {
            const auto group = static_cast<QPalette::ColorGroup>(g);
            const auto role = static_cast<QPalette::ColorRole>(r);
            EXPECT_TRUE(palette.isBrushSet(group, role)) << g << " " << r;
        }
    }
}

} // namespace
} // namespace ostrel::ui
