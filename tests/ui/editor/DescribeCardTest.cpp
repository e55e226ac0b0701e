// The describe card drawn offscreen: what each state shows, the button's state, Return in the text
// field, and the card's fill colour.

#include "ui/editor/DescribeCard.hpp"

#include "app/ai/OnDevice.hpp"
#include "ui/shots/DescribeStage.hpp"
#include "ui/shots/Still.hpp"
#include "ui/theme/Sky.hpp"
#include "ui/theme/SunButton.hpp"

#include <QLabel>
#include <QShortcut>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <cmath>

namespace ostrel::ui {
namespace {

const std::string words = "When I get to the library, open Firefox and Photoshop";

class DescribeCardTest : public testing::Test {
protected:
    // The card in a state, laid out at the form's width.
    std::unique_ptr<DescribeCard> cardIn(const std::string& state) {
        stage = std::make_unique<shots::DescribeStage>(draft, state, words);
        auto card = std::make_unique<DescribeCard>(stage->fill());
        card->setAttribute(Qt::WA_DontShowOnScreen);
        card->layout()->activate();
        card->resize(DescribeCard::formWidth, card->layout()->totalHeightForWidth(DescribeCard::formWidth));
        card->layout()->activate();
        return card;
    }

    const Calendar calendar{"America/New_York", "en_US"};
    shots::StillClock clock{1'767'225'600.0};
    SecureRandom random{3};
    RoutineDraft draft{{}, RoutineEdits{}, calendar, clock, random};
    std::unique_ptr<shots::DescribeStage> stage;
};

TEST_F(DescribeCardTest, EachStateShowsItsOwnRows) {
    const QStringList twoNotes = {"Couldn't find an app called Photoshop.",
                                  "Connect to the Wi-Fi there, then add it under When."};
    const struct {
        std::string state;
        bool field;
        bool spinner;
        QString button;
        bool enabled;
        QStringList notes;
        QString failure;
        QString reason;
    } cases[] = {
        {"idle", true, false, "Fill it in", true, {}, "", ""},
        {"working", true, true, "Thinking…", false, {}, "", ""},
        {"notes", true, false, "Fill it in", true, twoNotes, "", ""},
        {"failure", true, false, "Fill it in", true, twoNotes, DescribeFill::failureText, ""},
        {"unavailable", false, false, "Fill it in", true, {}, "",
         QString::fromStdString(OnDevice::unavailableReason(ModelAvailability::notEnabled))},
    };
    for (const auto& one : cases) {
        SCOPED_TRACE(one.state);
        const auto card = cardIn(one.state);
        EXPECT_EQ(card->field()->isVisibleTo(card.get()), one.field);
        EXPECT_EQ(card->button()->isVisibleTo(card.get()), one.field);
        EXPECT_EQ(card->spinner()->isVisibleTo(card.get()), one.spinner);
        EXPECT_EQ(card->button()->text(), one.button);
        EXPECT_EQ(card->button()->isEnabled(), one.enabled);
        EXPECT_EQ(card->noteTexts(), one.notes);
        EXPECT_EQ(card->failureText(), one.failure);
        EXPECT_EQ(card->reasonLabel()->isVisibleTo(card.get()), !one.reason.isEmpty());
        EXPECT_EQ(card->reasonLabel()->text(), one.reason);
        EXPECT_EQ(card->field()->toPlainText().toStdString(), words);
        EXPECT_EQ(card->field()->placeholderText(), QString::fromUtf8(DescribeCard::placeholder));
        EXPECT_EQ(card->width(), 472);
        stage.reset();
    }
}

TEST_F(DescribeCardTest, TypingDecidesTheButtonThroughTheFill) {
    const auto card = cardIn("idle");
    const struct {
        QString typed;
        bool enabled;
    } cases[] = {{"", false}, {"  \t ", false}, {"\n", true}, {" mute ", true}};
    for (const auto& one : cases) {
        card->field()->setPlainText(one.typed);
        EXPECT_EQ(stage->fill().words(), one.typed.toStdString());
        EXPECT_EQ(card->button()->isEnabled(), one.enabled) << one.typed.toStdString();
    }
}

TEST_F(DescribeCardTest, ReturnInTheFieldStartsANewLineAndNothingElse) {
    const auto card = cardIn("idle");
    QWidget window;
    auto* column = new QVBoxLayout(&window);
    card->setParent(&window);
    column->addWidget(card.get());
    int saves = 0;
    auto* save = new QShortcut(QKeySequence(Qt::Key_Return), &window);
    save->setContext(Qt::ApplicationShortcut);
    QObject::connect(save, &QShortcut::activated, [&] { ++saves; });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QApplication::setActiveWindow(&window);

    card->field()->setPlainText("open Firefox");
    card->field()->moveCursor(QTextCursor::End);
    card->field()->setFocus();
    QTest::keyClick(card->field(), Qt::Key_Return);
    QTest::keyClick(card->field(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(card->field()->toPlainText(), "open Firefox\n\n");
    EXPECT_EQ(saves, 0);

    // The same shortcut does fire from elsewhere, so the count above means something.
    window.setFocus();
    QTest::keyClick(&window, Qt::Key_Return);
    EXPECT_EQ(saves, 1);
    card->setParent(nullptr);
}

TEST_F(DescribeCardTest, TheFieldGrowsFromThreeToFiveLines) {
    const auto card = cardIn("idle");
    const int three = card->fieldHeight(3);
    EXPECT_EQ(card->fieldHeight(1), three);
    EXPECT_LT(three, card->fieldHeight(4));
    EXPECT_EQ(card->fieldHeight(9), card->fieldHeight(5));

    const struct {
        QString typed;
        int lines;
    } cases[] = {{"", 3}, {"a\nb\nc\nd", 4}, {"1\n2\n3\n4\n5\n6\n7", 5}};
    for (const auto& one : cases) {
        card->field()->setPlainText(one.typed);
        EXPECT_EQ(card->field()->parentWidget()->height(), card->fieldHeight(one.lines)) << one.lines;
    }
}

TEST_F(DescribeCardTest, TheCardIsTheHorizonAtSeventyPercentWithAWhiteField) {
    const auto card = cardIn("idle");
    QImage image(card->size(), QImage::Format_ARGB32);
    image.fill(Qt::black);
    card->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);

    // Inside the padding, left of the field: the horizon at 70 % over the black backdrop.
    const QColor ground = image.pixelColor(5, card->height() / 2);
    const QColor horizon = Sky::horizon();
    const auto over = [](double c) { return static_cast<int>(std::lround(0.7 * c * 255)); };
    EXPECT_NEAR(ground.red(), over(horizon.redF()), 2);
    EXPECT_NEAR(ground.green(), over(horizon.greenF()), 2);
    EXPECT_NEAR(ground.blue(), over(horizon.blueF()), 2);

    // The field's inside is white; the rounded corner of the card lets the backdrop through.
    const QWidget* box = card->field()->parentWidget();
    const QPoint inField = box->mapTo(card.get(), QPoint(box->width() - 4, box->height() / 2));
    EXPECT_EQ(image.pixelColor(inField), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::black));
}

} // namespace
} // namespace ostrel::ui
