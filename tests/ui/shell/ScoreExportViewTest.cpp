// The score export window's content offscreen: the words of each opening, "Scoring…" until the text
// comes, the buttons only then (the mail button only with a recipient, and Return presses it), and
// the text readable and selectable in a fixed-width font.

#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "ui/shell/ScoreExportView.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace ostrel::ui {
namespace {

class ScoreExportViewTest : public ::testing::Test {
protected:
    std::unique_ptr<ScoreExportView> view(bool reminder, bool recipient) {
        auto made = std::make_unique<ScoreExportView>(time.clock(), machine.appearance(), reminder, true, recipient);
        made->setAttribute(Qt::WA_DontShowOnScreen);
        made->show();
        QApplication::processEvents();
        return made;
    }

    VirtualTime time{1'796'814'000.0};
    SimulatedMachine machine{MachineState::withOwnApp(), &time};
};

TEST_F(ScoreExportViewTest, TheReminderAndTheSettingsOpenItWithTheirOwnWords) {
    const struct {
        bool reminder;
        const char* title;
        const char* subtitle;
    } cases[] = {
        {true, "It's been 3 weeks!", "Thank you. Please send your scores."},
        {false, "Your scores", "Just numbers, and you can read all of them."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        const auto shown = view(c.reminder, true);
        EXPECT_EQ(shown->QWidget::size(), QSize(600, 700));
        EXPECT_EQ(shown->title()->text(), c.title);
        EXPECT_EQ(shown->subtitle()->text(), c.subtitle);
        EXPECT_EQ(shown->title()->mapTo(shown.get(), QPoint(0, 0)), QPoint(108, 100));
        EXPECT_TRUE(shown->privacyLine()->text().startsWith("Nothing here says what you opened"));
        EXPECT_GE(shown->privacyLine()->mapTo(shown.get(), QPoint(0, 0)).y(), 236 + 26);
    }
}

TEST_F(ScoreExportViewTest, ScoringUntilTheTextComesThenTheButtons) {
    const auto shown = view(false, true);
    EXPECT_TRUE(shown->scoringLabel()->isVisible());
    EXPECT_EQ(shown->scoringLabel()->text(), "Scoring…");
    EXPECT_FALSE(shown->textArea()->isVisible());
    EXPECT_FALSE(shown->copyButton()->isVisible());
    EXPECT_FALSE(shown->emailButton()->isVisible());

    QSignalSpy mailed(shown.get(), &ScoreExportView::emailChosen);
    QTest::keyClick(shown.get(), Qt::Key_Return);
    EXPECT_EQ(mailed.count(), 0) << "nothing to mail yet";

    shown->setText("{\n  \"days\" : 27\n}");
    QApplication::processEvents();
    EXPECT_FALSE(shown->scoringLabel()->isVisible());
    EXPECT_TRUE(shown->textArea()->isVisible());
    EXPECT_EQ(shown->textArea()->toPlainText(), "{\n  \"days\" : 27\n}");
    EXPECT_TRUE(shown->textArea()->isReadOnly());
    EXPECT_TRUE(shown->textArea()->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_TRUE(QFontInfo(shown->textArea()->font()).fixedPitch());
    EXPECT_EQ(shown->textArea()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_TRUE(shown->copyButton()->isVisible());
    EXPECT_TRUE(shown->saveButton()->isVisible());
    ASSERT_TRUE(shown->emailButton()->isVisible());
    EXPECT_EQ(shown->emailButton()->text(), "Email my scores");

    QSignalSpy copied(shown.get(), &ScoreExportView::copyChosen);
    QSignalSpy saved(shown.get(), &ScoreExportView::saveChosen);
    shown->copyButton()->click();
    shown->saveButton()->click();
    QTest::keyClick(shown.get(), Qt::Key_Return);
    EXPECT_EQ(copied.count(), 1);
    EXPECT_EQ(saved.count(), 1);
    EXPECT_EQ(mailed.count(), 1) << "Return is the mail button once it shows";

    // The buttons sit inside the body, under the text.
    const QRect body(96, 236, 408, 420);
    const QRect copyAt(shown->copyButton()->mapTo(shown.get(), QPoint(0, 0)), shown->copyButton()->size());
    EXPECT_TRUE(body.contains(copyAt)) << copyAt.x() << "," << copyAt.y();
}

TEST_F(ScoreExportViewTest, WithoutARecipientThereIsNoMailAndReturnDoesNothing) {
    const auto shown = view(true, false);
    shown->setText("Ostrel couldn't read its database.");
    QApplication::processEvents();
    EXPECT_EQ(shown->emailButton(), nullptr);
    EXPECT_TRUE(shown->copyButton()->isVisible());
    QSignalSpy copied(shown.get(), &ScoreExportView::copyChosen);
    QTest::keyClick(shown.get(), Qt::Key_Return);
    EXPECT_EQ(copied.count(), 0);
}

} // namespace
} // namespace ostrel::ui
