// The time page offscreen: its placeholders, the header and bank of each span, the charts' bars,
// labels, colours and tooltips, the usage lists and look-back card, and a page that changes span or
// goes while it loads.

#include "ui/home/TimePage.hpp"

#include "core/browsing/TabPayload.hpp"
#include "core/observations/AppPayload.hpp"
#include "core/store/Store.hpp"
#include "platform/Settings.hpp"
#include "platform/sim/SimulatedLanguageModel.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "support/HeldWorkerRuntime.hpp"
#include "support/TempDir.hpp"
#include "ui/home/DaysChart.hpp"
#include "ui/home/HoursChart.hpp"
#include "ui/home/LookBackCard.hpp"
#include "ui/home/SpanPicker.hpp"
#include "ui/home/UsageList.hpp"
#include "ui/theme/Sky.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QPointer>
#include <QToolTip>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace ostrel::ui {
namespace {

constexpr std::int64_t minute = 60'000;

const Calendar berlin("Europe/Berlin", "en_US");

std::int64_t ms(Date date) {
    return static_cast<std::int64_t>(std::llround(date * 1000));
}

SignalObservation activate(std::int64_t ts, const std::string& app) {
    return {ts, Signal::appActivate, json::encodeRecord(AppPayload(app, std::nullopt, std::nullopt, std::nullopt))};
}

SignalObservation tab(std::int64_t ts, const std::string& site) {
    return {ts, Signal::browserTab, json::encodeRecord(TabPayload{site, std::nullopt, std::nullopt})};
}

CalendarEvent lesson(const std::string& title, std::int64_t start, std::int64_t end) {
    CalendarEvent event;
    event.key = title;
    event.occurrence = start;
    event.title = title;
    event.start = start;
    event.end = end;
    event.calendar = "uni";
    return event;
}

// Two colours alike within a few levels of each channel (edges of shapes are antialiased).
::testing::AssertionResult near(const QColor& seen, const QColor& wanted) {
    if (std::abs(seen.red() - wanted.red()) <= 6 && std::abs(seen.green() - wanted.green()) <= 6 &&
        std::abs(seen.blue() - wanted.blue()) <= 6) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << seen.name().toStdString() << " is not " << wanted.name().toStdString();
}

class TimePageTest : public ::testing::Test {
protected:
    // From 13:00 today: ten apps two minutes each, then a browser on seven sites two minutes each,
    // then the first app up to now (15:00); two classes in the first twenty minutes.
    void fillStore() {
        const std::int64_t one = ms(berlin.date(2026, 4, 1, 13, 0));
        std::vector<SignalObservation> observations;
        for (int i = 0; i < 10; ++i) {
            observations.push_back(activate(one + i * 2 * minute, "org.example.App" + std::to_string(i)));
        }
        observations.push_back(activate(one + 20 * minute, "org.example.Browser"));
        for (int i = 0; i < 7; ++i) {
            observations.push_back(tab(one + (20 + i * 2) * minute, "site" + std::to_string(i) + ".example"));
        }
        observations.push_back(activate(one + 34 * minute, "org.example.App0"));
        store.append(observations);
        store.syncCalendar(std::vector{lesson("Physics", one, one + 10 * minute),
                                       lesson("Maths", one + 10 * minute, one + 20 * minute)},
                           one - 86'400'000, one + 86'400'000, one - 86'400'000);
    }

    std::unique_ptr<TimePage> page(bool live = true) {
        auto made = std::make_unique<TimePage>(context, live);
        made->setAttribute(Qt::WA_DontShowOnScreen);
        made->show();
        return made;
    }
    void finish(TimePage* shown = nullptr) {
        for (int round = 0; round < 10 && (runtime.runWorker() > 0 || time.pending() > 0); ++round) {
            time.settle();
        }
        // The layouts the new bank asked for, and the old bank's widgets gone.
        QApplication::sendPostedEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (shown != nullptr) {
            shown->adjustSize();
        }
    }
    static QImage picture(QWidget& widget) {
        QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    }
    static QStringList labelTexts(QWidget* within) {
        QStringList texts;
        for (const QLabel* label : within->findChildren<QLabel*>()) {
            if (!label->text().isEmpty()) {
                texts << label->text();
            }
        }
        return texts;
    }

    test::TempDir dir;
    Store store{dir / "quev.sqlite"};
    VirtualTime time{berlin.date(2026, 4, 1, 15, 0)}; // a Wednesday
    test::HeldWorkerRuntime runtime{time};
    SimulatedMachine machine{MachineState::withOwnApp(), &time};
    Platform platform{machine.platform()};
    Settings settings{Settings::inMemory};
    SimulatedLanguageModel model{runtime.main()};
    const HomeContext context{&store,
                              nullptr,
                              &model,
                              nullptr,
                              settings,
                              runtime,
                              platform,
                              berlin,
                              [](std::unique_ptr<RoutineDraft>, bool) {},
                              [](std::function<void()>) { return Subscription(); },
                              [] {}};
};

TEST_F(TimePageTest, UntilAReportArrivesThePageShowsItsPlaceholders) {
    fillStore();
    const auto shown = page();
    EXPECT_EQ(shown->width(), 688);
    EXPECT_EQ(shown->bigNumber()->text(), "\u2026");
    EXPECT_EQ(shown->caption()->text(), "on your Mac today");
    EXPECT_FALSE(shown->savedRow()->isVisibleTo(shown.get()));
    EXPECT_EQ(labelTexts(shown->bank()), QStringList{"Adding it up\u2026"});
    EXPECT_EQ(shown->findChild<HoursChart*>(), nullptr);
    EXPECT_EQ(shown->picker()->span(), TimeSpan::today);

    // A page that is not live never loads.
    const auto still = page(false);
    finish();
    EXPECT_EQ(still->bigNumber()->text(), "\u2026");
    EXPECT_FALSE(still->loader().report());
}

TEST_F(TimePageTest, TodayShowsTheHoursAndTheLists) {
    fillStore();
    const auto shown = page();
    finish(shown.get());
    EXPECT_EQ(shown->bigNumber()->text(), "2 h");
    EXPECT_TRUE(shown->savedRow()->isVisibleTo(shown.get()));
    EXPECT_EQ(shown->savedLine()->text(), "Ostrel hasn't set anything up for you yet");
    // Header and bank in their places: 22 from the top and 4 from the sides, 26 between them.
    const QWidget* header = shown->bigNumber()->parentWidget()->parentWidget();
    EXPECT_EQ(header->geometry().topLeft(), QPoint(4, 22));
    EXPECT_EQ(header->width(), 680);
    EXPECT_EQ(shown->bank()->y(), header->geometry().bottom() + 1 + 26);
    // The big number and its caption stand on one baseline, the picker at the right edge.
    const QFontMetrics big(shown->bigNumber()->font());
    const QFontMetrics caption(shown->caption()->font());
    EXPECT_EQ(shown->bigNumber()->y() + big.ascent(), shown->caption()->y() + caption.ascent());
    EXPECT_EQ(shown->picker()->geometry().right(), header->width() - 1);

    const auto* chart = shown->findChild<HoursChart*>();
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(shown->findChild<DaysChart*>(), nullptr);

    // The picker is the tab bar in its card look: the chosen span blue, the other on the horizon
    // track; choosing the span shown again loads nothing.
    const QImage headerPicture = picture(*shown);
    QAbstractButton* todayTab = shown->picker()->tabs()[0];
    QAbstractButton* weekTab = shown->picker()->tabs()[1];
    EXPECT_EQ(todayTab->text(), "Today");
    EXPECT_EQ(weekTab->text(), "This week");
    EXPECT_TRUE(near(headerPicture.pixelColor(todayTab->mapTo(shown.get(), QPoint(5, todayTab->height() / 2))),
                     Sky::button()));
    EXPECT_TRUE(near(headerPicture.pixelColor(weekTab->mapTo(shown.get(), QPoint(4, weekTab->height() / 2))),
                     Sky::horizon()));
    todayTab->click();
    EXPECT_EQ(runtime.heldOnWorker(), 0u);
    EXPECT_EQ(shown->span(), TimeSpan::today);
    EXPECT_EQ(shown->findChild<LookBackCard*>(), nullptr);

    // 12:00 idle, 13:00 and 14:00 full, 15:00 one millisecond.
    const QImage image = picture(*shown);
    const struct {
        int column;
        double height;
        QColor colour;
        QString label;
        QString help;
    } columns[] = {
        {0, 4, Sky::horizon(), "6\u202FAM", "6\u202FAM: 0 min"},
        {6, 4, Sky::horizon(), "12\u202FPM", "12\u202FPM: 0 min"},
        {7, 90, Sky::button(), "", "1\u202FPM: 1 h"},
        {8, 90, Sky::button(), "", "2\u202FPM: 1 h"},
        {9, 4, Sky::button(), "", "3\u202FPM: under a minute"},
        {12, 4, Sky::horizon(), "6\u202FPM", "6\u202FPM: 0 min"},
        {18, 4, Sky::horizon(), "12\u202FAM", "12\u202FAM: 0 min"},
        {19, 4, Sky::horizon(), "", "1\u202FAM: 0 min"},
    };
    for (const auto& c : columns) {
        SCOPED_TRACE(c.column);
        const QRectF bar = chart->barRect(c.column);
        EXPECT_DOUBLE_EQ(bar.height(), c.height);
        EXPECT_DOUBLE_EQ(bar.width(), 16);
        EXPECT_EQ(chart->columnLabel(c.column), c.label);
        EXPECT_EQ(chart->columnHelp(c.column), c.help);
        const QPoint centre = chart->mapTo(shown.get(), bar.center().toPoint());
        EXPECT_TRUE(near(image.pixelColor(centre), c.colour));
    }
    // Twenty columns across the whole width, every bar standing on the same line.
    EXPECT_EQ(chart->columnRect(0).left(), 0);
    EXPECT_EQ(chart->columnRect(19).right(), chart->width() - 1);
    EXPECT_EQ(chart->barRect(0).bottom(), chart->barRect(7).bottom());

    // A tooltip over a column names its hour.
    QHelpEvent help(QEvent::ToolTip, chart->columnRect(8).center(), chart->mapToGlobal(chart->columnRect(8).center()));
    QApplication::sendEvent(const_cast<HoursChart*>(chart), &help);
    EXPECT_EQ(QToolTip::text(), "2\u202FPM: 1 h");
    QToolTip::hideText();

    // 11 apps, 7 sites and 2 classes: 8, 6 and 2 rows.
    const auto lists = shown->findChildren<UsageList*>();
    ASSERT_EQ(lists.size(), 3);
    EXPECT_EQ(lists[0]->title(), "Apps");
    EXPECT_EQ(lists[0]->rowCount(), 8);
    EXPECT_EQ(lists[0]->name(0), "org.example.App0");
    EXPECT_EQ(lists[0]->words(0), "1 h 28 min");
    EXPECT_EQ(lists[1]->title(), "Websites");
    EXPECT_EQ(lists[1]->rowCount(), 6);
    EXPECT_EQ(lists[2]->title(), "In class");
    EXPECT_EQ(lists[2]->rowCount(), 2);
    EXPECT_EQ(lists[2]->name(0), "Maths");
    // The first row's bar fills its track; the next is its share, at 75 % blue on the horizon.
    EXPECT_EQ(lists[0]->barRect(0).width(), lists[0]->trackRect(0).width());
    EXPECT_DOUBLE_EQ(lists[0]->trackRect(0).width(), 650);
    EXPECT_EQ(lists[0]->name(1), "org.example.Browser");
    EXPECT_NEAR(lists[0]->barRect(1).width(), 650.0 * 14 / 88, 0.01);
    EXPECT_NEAR(lists[0]->barRect(7).width(), 650.0 * 2 / 88, 0.01);
    const QRectF track = lists[0]->trackRect(1);
    const QPoint filled = lists[0]->mapTo(shown.get(), QPointF(track.left() + 50, track.center().y()).toPoint());
    const QPoint empty = lists[0]->mapTo(shown.get(), QPointF(track.right() - 50, track.center().y()).toPoint());
    QColor blue = Sky::button();
    const QColor horizon = Sky::horizon();
    blue = QColor::fromRgbF(blue.redF() * 0.75f + horizon.redF() * 0.25f, blue.greenF() * 0.75f + horizon.greenF() * 0.25f,
                            blue.blueF() * 0.75f + horizon.blueF() * 0.25f);
    EXPECT_TRUE(near(image.pixelColor(filled), blue));
    EXPECT_TRUE(near(image.pixelColor(empty), horizon));

    const QStringList texts = labelTexts(shown->bank());
    EXPECT_FALSE(texts.contains("Nothing yet. Time counts while your Mac is open and you're using it."));
    EXPECT_EQ(texts.last(),
              "Counted only while the Mac is unlocked and you're using it, or a video is playing. Private browsing "
              "and excluded apps count toward the total but are never named.");
    EXPECT_TRUE(model.requests().empty()) << "today asks for no look-back";
}

TEST_F(TimePageTest, TheWeekShowsItsDaysAndTheLookBack) {
    fillStore();
    model.answer("Most of the week went to App0.");
    const auto shown = page();
    finish(shown.get());
    // Choosing the week shows its wording and the day chart of the report there is, then loads.
    shown->picker()->tabs()[1]->click();
    EXPECT_EQ(shown->span(), TimeSpan::week);
    EXPECT_EQ(shown->caption()->text(), "this week");
    const auto* early = shown->findChild<DaysChart*>();
    ASSERT_NE(early, nullptr);
    EXPECT_EQ(early->columnCount(), 1) << "today's report until the week's arrives";
    finish(shown.get());

    const auto* chart = shown->findChild<DaysChart*>();
    ASSERT_NE(chart, nullptr);
    ASSERT_EQ(chart->columnCount(), 7);
    const QStringList days{"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};
    const QImage image = picture(*shown);
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(chart->day(i), days[i]);
        EXPECT_EQ(chart->amount(i), i == 6 ? "2h" : "");
        EXPECT_DOUBLE_EQ(chart->barRect(i).height(), i == 6 ? 100 : 4);
        EXPECT_DOUBLE_EQ(chart->barRect(i).width(), 34);
        EXPECT_TRUE(near(image.pixelColor(chart->mapTo(shown.get(), chart->barRect(i).center().toPoint())),
                         Sky::button()));
    }
    EXPECT_EQ(chart->columnRect(1).left() - chart->columnRect(0).right() - 1, 14);

    const auto* card = shown->findChild<LookBackCard*>();
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->title()->text(), "Your week");
    EXPECT_EQ(card->text()->text(), "Most of the week went to App0.");
    EXPECT_LT(card->y(), chart->y()) << "the card stands above the chart";
    const QPoint inCard = card->mapTo(shown.get(), QPoint(card->width() - 20, card->height() / 2));
    const QColor horizon = Sky::horizon();
    EXPECT_TRUE(near(image.pixelColor(inCard),
                     QColor::fromRgbF(horizon.redF() * 0.7f + 0.3f, horizon.greenF() * 0.7f + 0.3f,
                                      horizon.blueF() * 0.7f + 0.3f)))
        << "horizon at 70 % over white";

    // Back to today: the card goes, and comes back with the same text at once on the week.
    shown->picker()->tabs()[0]->click();
    finish(shown.get());
    EXPECT_EQ(shown->findChild<LookBackCard*>(), nullptr);
    shown->setSpan(TimeSpan::week);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const auto* again = shown->findChild<LookBackCard*>();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->text()->text(), "Most of the week went to App0.");
    finish(shown.get());
}

TEST_F(TimePageTest, AnEmptyStoreShowsNothingYet) {
    const auto shown = page();
    finish(shown.get());
    EXPECT_EQ(shown->bigNumber()->text(), "0 min");
    EXPECT_EQ(shown->savedLine()->text(), "Ostrel hasn't set anything up for you yet");
    EXPECT_TRUE(shown->findChildren<UsageList*>().isEmpty());
    const auto* chart = shown->findChild<HoursChart*>();
    ASSERT_NE(chart, nullptr);
    for (int i = 0; i < 20; ++i) {
        EXPECT_DOUBLE_EQ(chart->barRect(i).height(), 4);
    }
    const QStringList texts = labelTexts(shown->bank());
    ASSERT_EQ(texts.size(), 2);
    EXPECT_EQ(texts[0], "Nothing yet. Time counts while your Mac is open and you're using it.");
    EXPECT_TRUE(texts[1].startsWith("Counted only while the Mac is unlocked"));
    // The footnote wraps inside the page instead of running past its edge.
    const auto notes = shown->bank()->findChildren<QLabel*>();
    EXPECT_LE(notes.last()->geometry().right(), 680);
    EXPECT_GT(notes.last()->height(), QFontMetrics(notes.last()->font()).height());

    // Without a store the page never loads.
    const HomeContext closed{nullptr, nullptr, nullptr, nullptr, settings, runtime, platform, berlin,
                             context.openEditor, context.listenRoutinesChanged, context.openSettings};
    TimePage without(closed, true);
    finish();
    EXPECT_EQ(without.bigNumber()->text(), "\u2026");
    EXPECT_EQ(labelTexts(without.bank()), QStringList{"Adding it up\u2026"});
}

TEST_F(TimePageTest, ChangingSpanOrClosingWhileItLoadsIsSafe) {
    fillStore();
    {
        // Today, then the week before today's read: only the week is shown.
        const auto shown = page();
        shown->setSpan(TimeSpan::week);
        EXPECT_EQ(runtime.runWorker(), 2);
        time.settle();
        ASSERT_TRUE(shown->loader().report());
        EXPECT_EQ(shown->loader().report()->days.size(), 7u);
        finish(shown.get());
        EXPECT_NE(shown->findChild<DaysChart*>(), nullptr);
        EXPECT_EQ(shown->findChild<HoursChart*>(), nullptr);
    }
    // Gone before the read, after it, and while the model is writing the look-back.
    {
        auto shown = page();
        shown.reset();
        finish();
    }
    {
        auto shown = page();
        EXPECT_EQ(runtime.runWorker(), 1);
        shown.reset();
        finish();
    }
    {
        model.hold();
        model.answer("Too late.");
        const std::size_t asked = model.requests().size();
        auto shown = page();
        shown->setSpan(TimeSpan::week);
        finish(shown.get());
        ASSERT_EQ(model.requests().size(), asked + 1) << "the model holds the question";
        QPointer<TimePage> watched(shown.get());
        shown.reset();
        EXPECT_TRUE(watched.isNull());
        EXPECT_TRUE(model.release());
        finish();
    }
    EXPECT_FALSE(settings.get("lookBack")) << "the dropped look-back stored nothing";
}

} // namespace
} // namespace ostrel::ui
