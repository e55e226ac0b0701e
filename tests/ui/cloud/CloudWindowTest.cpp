#include "ui/cloud/CloudWindow.hpp"

#include "ui/cloud/TrafficLights.hpp"
#include "ui/theme/Sky.hpp"

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>

namespace ostrel::ui {
namespace {

// A window around a content with one text field, as a settings page has.
struct Made {
    std::unique_ptr<CloudPanel> window;
    QWidget* content;
    QLineEdit* field;
};

Made makeWindow(QSize size = CloudWindow::homeSize) {
    auto* content = new QWidget;
    auto* field = new QLineEdit(content);
    field->setGeometry(300, 300, 200, 30);
    return {std::unique_ptr<CloudPanel>(CloudWindow::make(size, CloudWindow::lightsAt, content)), content, field};
}

void showActive(QWidget* window) {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
}

TrafficLights* lightsOf(QWidget* window) { return window->findChild<TrafficLights*>(); }

TEST(CloudWindowTest, IsAFramelessTransparentWindowOfFixedSizeThatMakeDoesNotShow) {
    const Made made = makeWindow(CloudWindow::settingsSize);
    CloudPanel* window = made.window.get();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->isWindow());
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(window->testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_FALSE(window->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_EQ(window->size(), QSize(760, 620));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
}

TEST(CloudWindowTest, ContentFillsTheWindowAndTheLightsSitAboveItAtTheirOffset) {
    const Made made = makeWindow();
    showActive(made.window.get());
    EXPECT_EQ(made.content->geometry(), made.window->rect());
    TrafficLights* lights = lightsOf(made.window.get());
    ASSERT_NE(lights, nullptr);
    EXPECT_EQ(lights->pos(), CloudWindow::lightsAt);
    // Over the content, the light is what the pointer finds.
    EXPECT_EQ(made.window->childAt(CloudWindow::lightsAt + QPoint(10, 10)), lights->closeLight());
    EXPECT_EQ(made.window->childAt(CloudWindow::lightsAt + QPoint(30, 10)), lights->minimiseLight());
}

TEST(CloudWindowTest, EscapeAndTheCloseLightHideTheWindowWhichShowsAgainWithItsState) {
    struct Case {
        const char* name;
        std::function<void(const Made&)> close;
    };
    const std::vector<Case> cases = {
        {"Escape in the field", [](const Made& m) { QTest::keyClick(m.field, Qt::Key_Escape); }},
        {"Escape on the window", [](const Made& m) { QTest::keyClick(m.window.get(), Qt::Key_Escape); }},
        {"close light",
         [](const Made& m) {
             TrafficLights* lights = lightsOf(m.window.get());
             QTest::mouseMove(lights->closeLight());
             ASSERT_TRUE(lights->isHovering());
             QTest::mouseClick(lights->closeLight(), Qt::LeftButton);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Made made = makeWindow();
        showActive(made.window.get());
        made.field->setFocus();
        QTest::keyClicks(made.field, "essay draft");

        c.close(made);
        EXPECT_FALSE(made.window->isVisible());
        // A window hidden under the pointer forgets it: it may come back where the pointer is not.
        EXPECT_FALSE(lightsOf(made.window.get())->isHovering());

        QPointer<QLineEdit> field(made.field);
        showActive(made.window.get());
        ASSERT_TRUE(field);
        EXPECT_EQ(made.window->findChild<QLineEdit*>(), made.field);
        EXPECT_EQ(made.field->text(), "essay draft");
    }
}

TEST(CloudWindowTest, TheMinimiseLightMinimisesTheWindow) {
    const Made made = makeWindow();
    showActive(made.window.get());
    EXPECT_FALSE(made.window->isMinimized());
    QTest::mouseClick(lightsOf(made.window.get())->minimiseLight(), Qt::LeftButton);
    EXPECT_TRUE(made.window->isMinimized());
    EXPECT_TRUE(made.window->windowState() & Qt::WindowMinimized);
}

TEST(CloudWindowTest, EveryKindIsCentredOnThePrimaryScreensAvailableArea) {
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_EQ(available, QRect(0, 0, 1440, 900));
    for (const QSize size : {CloudWindow::homeSize, CloudWindow::onboardingSize, CloudWindow::settingsSize,
                             CloudWindow::exportSize, CloudWindow::editorSize}) {
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        const Made made = makeWindow(size);
        EXPECT_EQ(made.window->size(), size);
        const QPoint offset = made.window->geometry().center() - available.center();
        EXPECT_LE(std::abs(offset.x()), 1);
        EXPECT_LE(std::abs(offset.y()), 1);
    }
}

TEST(CloudWindowTest, DraggingTheBackgroundMovesTheWindowButPressingALightDoesNot) {
    const Made made = makeWindow();
    CloudPanel* window = made.window.get();
    showActive(window);
    const QPoint start = window->pos();

    // The background: the window follows the pointer.
    QTest::mousePress(window, Qt::LeftButton, {}, QPoint(600, 500));
    QTest::mouseMove(window, QPoint(650, 530));
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(650, 530));
    EXPECT_EQ(window->pos(), start + QPoint(50, 30));

    // A control keeps its press: the field is not a handle.
    const QPoint moved = window->pos();
    QTest::mousePress(made.field, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(made.field, QPoint(60, 40));
    QTest::mouseRelease(made.field, Qt::LeftButton, {}, QPoint(60, 40));
    EXPECT_EQ(window->pos(), moved);

    // Nor is a light; released away from it, it does not close the window either.
    TrafficLight* close = lightsOf(window)->closeLight();
    QTest::mousePress(close, Qt::LeftButton, {}, QPoint(6, 6));
    QTest::mouseMove(close, QPoint(56, 36));
    QTest::mouseRelease(close, Qt::LeftButton, {}, QPoint(56, 36));
    EXPECT_EQ(window->pos(), moved);
    EXPECT_TRUE(window->isVisible());
}

// Restores the application's palette however the test ends.
class ApplicationPaletteGuard {
public:
    ApplicationPaletteGuard() : saved_(QApplication::palette()) {}
    ~ApplicationPaletteGuard() { QApplication::setPalette(saved_); }

private:
    QPalette saved_;
};

QPalette darkPalette() {
    QPalette dark(QColor(40, 40, 44));
    dark.setColor(QPalette::Base, QColor(20, 20, 22));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Window, QColor(40, 40, 44));
    return dark;
}

TEST(CloudWindowTest, StaysLightWhenTheDesktopGoesDark) {
    const ApplicationPaletteGuard guard;
    const Made before = makeWindow();
    showActive(before.window.get());
    QApplication::setPalette(darkPalette());
    ASSERT_EQ(QApplication::palette().color(QPalette::Base), QColor(20, 20, 22));
    const Made after = makeWindow();
    showActive(after.window.get());

    for (const Made* made : {&before, &after}) {
        SCOPED_TRACE(made == &before ? "made before" : "made after");
        EXPECT_EQ(made->window->palette().color(QPalette::WindowText), Sky::ink());
        EXPECT_EQ(made->field->palette().color(QPalette::Text), Sky::ink());
        EXPECT_EQ(made->field->palette().color(QPalette::Base), QColor(Qt::white));
        EXPECT_EQ(made->field->style()->name(), "fusion");
        // Drawn, the empty field is white inside.
        const QImage field = made->field->grab().toImage();
        EXPECT_EQ(field.pixelColor(field.width() / 2, field.height() / 2), QColor(Qt::white));
    }
}

} // namespace
} // namespace ostrel::ui
