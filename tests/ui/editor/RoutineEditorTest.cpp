// The routine editor window offscreen: its scene, Return as the save key, the footer's writes to a
// real store, one window at a time, and closing it while work for it is still under way.

#include "app/editor/DescribeFill.hpp"
#include "core/store/Store.hpp"
#include "support/Items.hpp"
#include "support/TempDir.hpp"
#include "ui/cloud/CloudPanel.hpp"
#include "ui/editor/DescribeCard.hpp"
#include "ui/editor/OpensSection.hpp"
#include "ui/editor/RoutineEditor.hpp"
#include "ui/editor/RoutineEditorWindow.hpp"
#include "ui/shots/EditorStage.hpp"
#include "ui/theme/Sky.hpp"
#include "ui/theme/SkyLink.hpp"
#include "ui/theme/SunButton.hpp"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace ostrel::ui {
namespace {

using test::app;

class RoutineEditorTest : public ::testing::Test {
protected:
    std::unique_ptr<RoutineDraft> made() {
        return std::make_unique<RoutineDraft>(std::vector<CalendarSeries>{}, RoutineEdits{}, stage.calendar(),
                                              stage.time().clock(), stage.random());
    }
    std::unique_ptr<RoutineDraft> physics() {
        Routine routine{ContextKey::event("physics")};
        routine.items = {app("org.gnome.gedit")};
        return std::make_unique<RoutineDraft>(routine, std::vector<CalendarSeries>{{"physics", "Physics", 0}}, false,
                                              stage.calendar(), stage.settings(),
                                              [](const std::string&) { return std::optional<std::string>(); });
    }
    std::unique_ptr<RoutineEditor> editor(std::unique_ptr<RoutineDraft> draft, bool describing = false) {
        return std::make_unique<RoutineEditor>(std::move(draft), stage.context(), [this] { ++closes; }, true,
                                               describing);
    }

    static QColor pixel(QWidget& widget, QPoint at) {
        QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image.pixelColor(at);
    }

    shots::EditorStage stage{MachineState::withOwnApp(), Calendar("Europe/Berlin", "en_US")};
    int closes = 0;
};

TEST_F(RoutineEditorTest, TheSceneStandsWhereItShould) {
    const auto learned = editor(physics());
    EXPECT_EQ(learned->QWidget::size(), QSize(680, 820));
    EXPECT_EQ(learned->nameField()->geometry().topLeft(), QPoint(108, 112));
    EXPECT_EQ(learned->nameField()->width(), 470);
    EXPECT_EQ(learned->nameField()->text(), "Physics");
    EXPECT_EQ(learned->subtitle()->text(), "Ostrel learned this. Your changes stay, even as it keeps learning.");
    EXPECT_EQ(learned->formArea()->geometry(), QRect(100, 250, 480, 470));
    EXPECT_EQ(learned->saveButton()->text(), "Save");
    ASSERT_NE(learned->deleteButton(), nullptr);
    EXPECT_EQ(learned->deleteButton()->text(), "Delete");
    const QPoint footer = learned->saveButton()->mapTo(learned.get(), QPoint(0, 0));
    EXPECT_EQ(footer.y(), 726);
    EXPECT_EQ(learned->describeCard(), nullptr);

    const auto fresh = editor(made(), true);
    EXPECT_EQ(fresh->nameField()->text(), "");
    EXPECT_EQ(fresh->nameField()->placeholderText(), "Name it, like Calc lecture");
    EXPECT_EQ(fresh->subtitle()->text(), "A routine you're making");
    EXPECT_EQ(fresh->saveButton()->text(), "Make it");
    EXPECT_EQ(fresh->deleteButton(), nullptr);
    EXPECT_NE(fresh->describeCard(), nullptr);

    // Ink text lies on a pale card, never on the deep blue of the sky; the save button is the sun.
    const QColor card = pixel(*learned, QPoint(340, 262));
    EXPECT_GT(card.lightnessF(), 0.9) << card.name().toStdString();
    SunButton& save = *learned->saveButton();
    EXPECT_EQ(pixel(save, QPoint(save.height() / 2, save.height() / 2)).name(), Sky::sun().name());
}

TEST_F(RoutineEditorTest, ReturnSavesExceptWhereAFieldTakesIt) {
    // No store here: a save shows itself as a beep.
    const auto window = editor(physics(), true);
    window->show();
    QTest::keyClick(window->nameField(), Qt::Key_Return);
    EXPECT_EQ(stage.beeps(), 1);

    window->opens()->startPage();
    window->opens()->pageField()->setText("uni.example/physics");
    QTest::keyClick(window->opens()->pageField(), Qt::Key_Return);
    EXPECT_EQ(stage.beeps(), 1) << "the page field's Return adds its page only";
    EXPECT_EQ(window->draft().items().size(), 2U);

    QTest::keyClick(window->describeCard()->field(), Qt::Key_Return);
    EXPECT_EQ(stage.beeps(), 1) << "the describe text takes Return as a new line";
}

TEST_F(RoutineEditorTest, SavingAndDeletingWriteTheStoreAndClose) {
    const test::TempDir dir;
    Store store(dir.path() / "quev.sqlite");
    stage.context().store = &store;

    auto window = editor(made());
    window->nameField()->setText("Calc");
    Q_EMIT window->nameField()->textEdited("Calc");
    window->saveButton()->click();
    EXPECT_EQ(stage.beeps(), 1) << "nothing to open and no moment: not stored";
    EXPECT_TRUE(store.routineEdits().empty());

    window->draft().add(app("org.gnome.gedit"));
    window->saveButton()->click();
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(stage.notifications(), 1);
    const std::string id = window->draft().id();
    ASSERT_EQ(store.routineEdits().count(id), 1U);
    EXPECT_EQ(store.routineEdits().at(id).name, "Calc");

    window = editor(physics());
    window->deleteButton()->click();
    EXPECT_EQ(window->deleteButton()->text(), "Click again to delete");
    EXPECT_EQ(closes, 1);
    window->deleteButton()->click();
    EXPECT_EQ(closes, 2);
    EXPECT_TRUE(store.routineEdits().at("event:physics").deleted);
}

TEST_F(RoutineEditorTest, OneWindowAtATimeTitledAsItOpened) {
    RoutineEditor* first = RoutineEditorWindow::show(stage.context(), physics(), false);
    QPointer<CloudPanel> firstWindow = RoutineEditorWindow::current();
    ASSERT_NE(firstWindow, nullptr);
    EXPECT_EQ(firstWindow->windowTitle(), "Physics");
    first->nameField()->setText("Lab");
    Q_EMIT first->nameField()->textEdited("Lab");
    EXPECT_EQ(firstWindow->windowTitle(), "Physics") << "renaming keeps the title";

    RoutineEditorWindow::show(stage.context(), made(), false);
    EXPECT_EQ(RoutineEditorWindow::current()->windowTitle(), "New routine");
    QTRY_VERIFY(firstWindow.isNull());
    RoutineEditorWindow::close();
    EXPECT_EQ(RoutineEditorWindow::current(), nullptr);
}

TEST_F(RoutineEditorTest, ClosingWhileShortcutsOrAFillArePendingIsSafe) {
    stage.model().hold();
    {
        auto window = editor(made(), true);
        window->show(); // lists the shortcuts on the worker and probes the model
        window->describeFill()->setWords("open my notes");
        stage.time().settle();
        ASSERT_TRUE(window->describeFill()->fill());
        EXPECT_TRUE(window->describeFill()->working());
    }
    stage.model().release();
    stage.time().settle(); // the answers find nobody and are dropped
    EXPECT_EQ(stage.beeps(), 0);
}

} // namespace
} // namespace ostrel::ui
