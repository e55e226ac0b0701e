// The Home window's routines page offscreen over a real store in virtual time: what it says while
// learning and when nothing is known, its rows and dividers, Change and Set up now, the New routine
// menu, reloading on "quevRoutinesChanged", and going while a load or a smart name is under way.

#include "ui/home/RoutinesPage.hpp"

#include "app/autopilot/AutopilotController.hpp"
#include "app/editor/OpenNow.hpp"
#include "app/home/RoutineRowText.hpp"
#include "app/home/TabSelection.hpp"
#include "platform/SettingsKeys.hpp"
#include "platform/sim/SimulatedLanguageModel.hpp"
#include "support/ClassHistory.hpp"
#include "support/Items.hpp"
#include "support/ObserverWorld.hpp"
#include "support/RawDatabase.hpp"
#include "support/RecordingSurface.hpp"
#include "ui/home/HomeView.hpp"
#include "ui/home/NewRoutineMenu.hpp"
#include "ui/home/RoutineRow.hpp"
#include "ui/home/TrustBadge.hpp"
#include "ui/theme/ButtonLabel.hpp"
#include "ui/theme/Fonts.hpp"
#include "ui/theme/Pill.hpp"
#include "ui/theme/Sky.hpp"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <cmath>
#include <deque>
#include <memory>

#include <gtest/gtest.h>

namespace ostrel::ui {
namespace {

using test::ClassHistory;

// An hour after the third weekly maths class.
constexpr std::int64_t now = ClassHistory::firstClass + 2 * ClassHistory::week + 3'600'000;

// A desktop with the browser open beside this program.
MachineState desktop() {
    return MachineState::fromJSON(json::parse(R"({
      "ownPid": 1000,
      "apps": [
        {"pid": 1000, "bundleID": "org.ostrel.Ostrel",
         "windows": [{"id": 1, "frame": {"x": 0, "y": 0, "width": 400, "height": 300}}]},
        {"pid": 2002, "bundleID": "org.mozilla.firefox",
         "windows": [{"id": 3, "frame": {"x": 100, "y": 20, "width": 1280, "height": 775}}]}
      ]})"));
}

// Colours as painted: within a step of 8-bit rounding.
bool near(const QColor& painted, const QColor& expected) {
    return std::abs(painted.red() - expected.red()) <= 2 &&
           std::abs(painted.green() - expected.green()) <= 2 &&
           std::abs(painted.blue() - expected.blue()) <= 2 &&
           std::abs(painted.alpha() - expected.alpha()) <= 2;
}

struct Opened {
    std::unique_ptr<RoutineDraft> draft;
    bool describing = false;
};

class RoutinesPageTest : public ::testing::Test {
protected:
    RoutinesPageTest() {
        world.time.setWall(static_cast<Date>(now) / 1000);
        world.startWriterOnly();
        autopilot = std::make_unique<AutopilotController>(AutopilotController::Services{
            world.store, world.writer(), world.runtime, world.settings, world.platform, banner, ledger,
            shortcuts, world.random, calendar, "en_US"});
        autopilot->setTrace([this](const json::Value& effect) {
            if (effect.at("effect").get<std::string>() == "run") {
                runs.push_back(effect.at("name").get<std::string>());
            }
        });
    }
    ~RoutinesPageTest() override { settle(); }

    // Three maths classes with the editor and the course page, and a physics class the week before
    // them, at which nothing was opened.
    void history() {
        ClassHistory classes(world.store);
        for (int n = 0; n < 3; ++n) {
            classes.classHeld(n);
            classes.broughtUp(n,
                              {test::app("org.gnome.gedit"), test::page("https://learn.example.edu/maths")});
        }
        classes.classHeld(-1, "physics", "Physics");
    }

    const HomeContext& context(bool withAutopilot = false, bool withStore = true,
                               LanguageModel* model = nullptr) {
        return contexts.emplace_back(
            HomeContext{withStore ? &world.store : nullptr,
                        withAutopilot ? autopilot.get() : nullptr,
                        model,
                        nullptr,
                        world.settings,
                        world.runtime,
                        world.platform,
                        calendar,
                        [this](std::unique_ptr<RoutineDraft> draft, bool describing) {
                            opened.push_back({std::move(draft), describing});
                        },
                        [this](std::function<void()> changed) {
                            routinesChanged = std::move(changed);
                            ++listening;
                            return Subscription([this] {
                                routinesChanged = nullptr;
                                --listening;
                            });
                        },
                        {}});
    }

    // A live page as the Home window shows it, loaded.
    std::unique_ptr<RoutinesPage> shownPage(const HomeContext& with) {
        auto page = std::make_unique<RoutinesPage>(with, true);
        page->setAttribute(Qt::WA_DontShowOnScreen);
        page->show();
        settle();
        return page;
    }

    void settle() {
        world.time.settle();
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    static QImage picture(QWidget& widget) {
        QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    }

    static QRect placeIn(QWidget* widget, QWidget* page) {
        return QRect(widget->mapTo(page, QPoint(0, 0)), widget->size());
    }

    test::ObserverWorld world{desktop()};
    const Calendar calendar{"Europe/Berlin", "en_US"};
    std::vector<std::string> bannerLog;
    test::RecordingSurface surface{bannerLog};
    Banner banner{surface, world.runtime.main()};
    RunLedger ledger;
    Shortcuts shortcuts{world.machine.commands()};
    std::unique_ptr<AutopilotController> autopilot;
    std::vector<std::string> runs;
    std::deque<HomeContext> contexts;
    std::vector<Opened> opened;
    std::function<void()> routinesChanged;
    int listening = 0;
};

TEST_F(RoutinesPageTest, ItSaysLearningUntilALoadEnds) {
    history();
    // Live: the load starts when the page is first shown.
    RoutinesPage page(context(), true);
    page.setAttribute(Qt::WA_DontShowOnScreen);
    settle();
    EXPECT_EQ(world.time.pending(), 0U) << "nothing loads before the page is shown";
    page.show();
    ASSERT_NE(page.learningLabel(), nullptr);
    EXPECT_EQ(page.learningLabel()->text(), "Learning…");
    EXPECT_EQ(page.learningLabel()->font(), Fonts::font(14, Fonts::Weight::regular));
    EXPECT_EQ(page.learningLabel()->palette().color(QPalette::WindowText), Sky::inkSoft());
    EXPECT_EQ(page.width(), 688);
    EXPECT_EQ(placeIn(page.learningLabel(), &page).topLeft(), QPoint(4, 26));
    settle();
    EXPECT_EQ(page.learningLabel(), nullptr);
    EXPECT_EQ(page.rows().size(), 2U);

    // Not live: it waits for a change of the routines.
    RoutinesPage quiet(context(), false);
    quiet.setAttribute(Qt::WA_DontShowOnScreen);
    quiet.show();
    settle();
    ASSERT_NE(quiet.learningLabel(), nullptr);
    ASSERT_TRUE(routinesChanged);
    routinesChanged();
    settle();
    EXPECT_EQ(quiet.learningLabel(), nullptr);
    EXPECT_EQ(quiet.rows().size(), 2U);

    // Without a store nothing loads, ever.
    const auto storeless = shownPage(context(false, false));
    ASSERT_NE(storeless->learningLabel(), nullptr);
}

TEST_F(RoutinesPageTest, NothingKnownOrNothingReadableExplainsHowRoutinesCome) {
    const auto empty = shownPage(context());
    test::RawDatabase(world.dir / "quev.sqlite").exec("DROP TABLE routine_edits");
    const auto broken = shownPage(context());
    for (RoutinesPage* page : {empty.get(), broken.get()}) {
        EXPECT_EQ(page->learningLabel(), nullptr);
        EXPECT_TRUE(page->rows().empty());
        ASSERT_NE(page->emptyTitle(), nullptr);
        ASSERT_NE(page->emptyText(), nullptr);
        EXPECT_EQ(page->emptyTitle()->text(), "Nothing learned yet");
        EXPECT_EQ(page->emptyTitle()->font(), Fonts::font(17, Fonts::Weight::semibold));
        EXPECT_EQ(page->emptyTitle()->palette().color(QPalette::WindowText), Sky::ink());
        EXPECT_EQ(
            page->emptyText()->text(),
            "Ostrel makes a routine once you open the same things for the same class or time twice, usually "
            "within a week. Or make one yourself with New routine.");
        EXPECT_EQ(page->emptyText()->palette().color(QPalette::WindowText), Sky::inkSoft());
        EXPECT_TRUE(page->emptyText()->wordWrap());
        const QRect title = placeIn(page->emptyTitle(), page);
        const QRect text = placeIn(page->emptyText(), page);
        EXPECT_EQ(title.topLeft(), QPoint(4, 26));
        EXPECT_EQ(text.top(), title.bottom() + 1 + 6) << "6 apart";
        EXPECT_GT(text.height(), page->emptyText()->fontMetrics().height()) << "the explanation wraps";
        EXPECT_EQ(text.right(), 688 - 4 - 1) << "wrapped at the column's width";
    }
}

TEST_F(RoutinesPageTest, RowsShowTheirRoutinesWithADividerBetweenEachTwo) {
    history();
    RoutineEdits made;
    made.added = {test::app("org.gnome.Calculator")};
    made.mode = RoutineEdits::Mode::ask;
    world.store.save(made, "made:C3", static_cast<Date>(now) / 1000);
    const auto page = shownPage(context());
    const auto& rows = page->rows();
    ASSERT_EQ(rows.size(), 3U);
    ASSERT_EQ(page->dividers().size(), 2U);

    const struct {
        std::string id;
        std::string name;
        std::string badge;
        std::string seen;
        std::size_t pills;
    } cases[] = {
        {"event:maths", "Maths", "Sets up by itself", "Seen 3 times, confidence 80%", 2},
        {"event:physics", "Physics", "Still learning", "Seen once, confidence 67%", 0},
        {"made:C3", "A routine you made", "Asks first", "You made this", 1},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& one = cases[i];
        RoutineRow* row = rows[i];
        EXPECT_EQ(row->id(), one.id);
        EXPECT_EQ(row->nameLabel()->text().toStdString(), one.name) << one.id;
        EXPECT_EQ(row->badge()->text().toStdString(), one.badge) << one.id;
        EXPECT_EQ(row->seenLabel()->text().toStdString(), one.seen) << one.id;
        EXPECT_EQ(row->pills().size(), one.pills) << one.id;
        EXPECT_EQ(row->noItemsLabel() != nullptr, one.pills == 0) << one.id;
        EXPECT_EQ(row->momentChips().size(), row->moments().size()) << one.id;
        EXPECT_EQ(row->changeButton()->text(), "Change");
        EXPECT_EQ(row->setUpButton()->text(), "Set up now");
    }
    const auto& loaded = *page->loader().routines();
    EXPECT_EQ(rows[0]->moments(),
              RoutineRowText::moments(loaded[0].routine, page->loader().series(), page->loader().schedules(),
                                      calendar, world.machine.workspace(), {}));
    EXPECT_EQ(rows[0]->moments().front().sentence, "Mon at 9:30\u202FAM")
        << "the schedule came with the rows";
    EXPECT_EQ(rows[0]->pills()[1]->text(), "learn.example.edu/maths");
    ASSERT_NE(rows[1]->noItemsLabel(), nullptr);
    EXPECT_EQ(rows[1]->noItemsLabel()->text(), "No apps or files agree often enough yet");

    // Top to bottom: the first row under the top padding, then divider, row, divider, row, 26 apart.
    EXPECT_EQ(placeIn(rows[0], page.get()).topLeft(), QPoint(4, 26));
    EXPECT_EQ(rows[0]->width(), 680);
    std::vector<QRect> column;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0) {
            column.push_back(placeIn(page->dividers()[i - 1], page.get()));
        }
        column.push_back(placeIn(rows[i], page.get()));
    }
    for (std::size_t i = 1; i < column.size(); ++i) {
        EXPECT_EQ(column[i].top(), column[i - 1].bottom() + 1 + 26) << "child " << i;
    }
    const QRect divider = column[1];
    EXPECT_EQ(divider.height(), 1);
    EXPECT_EQ(divider.width(), 680);
    EXPECT_EQ(page->height(), column.back().bottom() + 1 + 48) << "48 below the last row";
    const QImage image = picture(*page);
    EXPECT_TRUE(near(image.pixelColor(divider.center().x(), divider.top()), Sky::horizon()));
    EXPECT_EQ(image.pixelColor(divider.center().x(), column[0].top() - 13), QColor(Qt::white))
        << "nothing above the first row";
}

TEST_F(RoutinesPageTest, ChangeOpensTheEditorAndSetUpNowAsksTheAutopilot) {
    history();
    RoutineEdits named;
    named.name = "Linear algebra";
    world.store.save(named, "event:maths", static_cast<Date>(now) / 1000);
    const auto page = shownPage(context(true));
    ASSERT_EQ(page->rows().size(), 2U);
    RoutineRow* maths = page->rows()[0];

    maths->changeButton()->click();
    ASSERT_EQ(opened.size(), 1U);
    EXPECT_FALSE(opened[0].describing);
    EXPECT_EQ(opened[0].draft->id(), "event:maths");
    EXPECT_FALSE(opened[0].draft->isNew());
    EXPECT_EQ(opened[0].draft->edits().name, "Linear algebra");
    EXPECT_EQ(opened[0].draft->series(), page->loader().series());

    maths->setUpButton()->click();
    settle();
    EXPECT_EQ(runs, std::vector<std::string>{"Linear algebra"});

    // Without an autopilot "Set up now" does nothing.
    const auto alone = shownPage(context(false));
    alone->rows()[0]->setUpButton()->click();
    settle();
    EXPECT_EQ(runs.size(), 1U);
}

TEST_F(RoutinesPageTest, TheNewRoutineMenuOpensTheEditorOnANewUnsavedRoutine) {
    history();
    NewRoutineMenu menu(context());
    const QSizeF label = ButtonLabel{"New routine", "plus", Fonts::font(13, Fonts::Weight::bold)}.size();
    EXPECT_EQ(menu.sizeHint(),
              QSize(int(std::ceil(label.width())) + 28, int(std::ceil(label.height())) + 14));
    EXPECT_TRUE(near(picture(menu).pixelColor(menu.height() / 2 + 2, 2), Sky::sun())) << "a sun capsule";

    QStringList texts;
    for (const QAction* action : menu.menu()->actions()) {
        texts << (action->isSeparator() ? "---" : action->text());
    }
    ASSERT_EQ(texts, (QStringList{"From what's open now", "Start from scratch", "Describe it"}));
    for (QAction* action : menu.menu()->actions()) {
        action->trigger();
    }
    ASSERT_EQ(opened.size(), 3U);
    const std::vector<CalendarSeries> series = world.store.calendarSeries();
    ASSERT_EQ(series.size(), 2U);
    const RoutineEdits openNow = OpenNow::edits(world.machine.workspace(), world.machine.accessibility());
    EXPECT_EQ(test::ids(openNow.added), std::vector<std::string>{"app:org.mozilla.firefox"});
    const struct {
        bool describing;
        std::vector<Item> added;
    } cases[] = {{false, openNow.added}, {false, {}}, {true, {}}};
    for (std::size_t i = 0; i < 3; ++i) {
        const RoutineDraft& draft = *opened[i].draft;
        EXPECT_EQ(opened[i].describing, cases[i].describing) << texts[int(i)].toStdString();
        EXPECT_TRUE(draft.isNew());
        EXPECT_TRUE(draft.id().starts_with("made:")) << draft.id();
        EXPECT_EQ(draft.series(), series);
        EXPECT_EQ(draft.edits().added, cases[i].added) << texts[int(i)].toStdString();
        EXPECT_EQ(draft.edits().created, now) << "made now";
    }
    EXPECT_NE(opened[1].draft->id(), opened[2].draft->id()) << "each a routine of its own";
    EXPECT_TRUE(world.store.routineEdits().empty()) << "nothing is stored until the editor saves";

    // Without a store, and with one that cannot be read, the editor still opens, with no series.
    NewRoutineMenu storeless(context(false, false));
    storeless.choose(NewRoutineMenu::Entry::scratch);
    test::RawDatabase(world.dir / "quev.sqlite").exec("DROP TABLE calendar_events");
    NewRoutineMenu broken(context());
    broken.choose(NewRoutineMenu::Entry::describe);
    ASSERT_EQ(opened.size(), 5U);
    EXPECT_TRUE(opened[3].draft->series().empty());
    EXPECT_TRUE(opened[4].draft->series().empty());
    EXPECT_TRUE(opened[4].describing);
}

TEST_F(RoutinesPageTest, ItReloadsWhenTheRoutinesChangeAndStopsListeningWhenItGoes) {
    history();
    auto page = shownPage(context());
    EXPECT_EQ(listening, 1);
    ASSERT_EQ(page->rows()[0]->name(), "Maths");

    RoutineEdits named;
    named.name = "Linear algebra";
    world.store.save(named, "event:maths", static_cast<Date>(now) / 1000);
    RoutineEdits deleted;
    deleted.deleted = true;
    world.store.save(deleted, "event:physics", static_cast<Date>(now) / 1000);
    ASSERT_TRUE(routinesChanged);
    routinesChanged();
    settle();
    ASSERT_EQ(page->rows().size(), 1U);
    EXPECT_EQ(page->rows()[0]->nameLabel()->text(), "Linear algebra");
    EXPECT_TRUE(page->dividers().empty());

    page.reset();
    EXPECT_EQ(listening, 0);
}

TEST_F(RoutinesPageTest, ALongNameTakesTwoLinesAtMostBesideItsBadge) {
    history();
    RoutineEdits named;
    named.name =
        "A very long routine name that goes on and on about the lectures and the tutorials that come "
        "with them every single week of the term";
    world.store.save(named, "event:maths", static_cast<Date>(now) / 1000);
    const auto page = shownPage(context());
    RoutineRow* row = page->rows()[0];
    const QString shown = row->nameLabel()->text();
    EXPECT_EQ(shown.count('\n'), 1);
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_EQ(row->nameLabel()->toolTip(), QString::fromStdString(*named.name));
    const QRect badge = placeIn(row->badge(), row);
    for (const QString& line : shown.split('\n')) {
        EXPECT_LE(row->nameLabel()->fontMetrics().horizontalAdvance(line), badge.left() - 12)
            << line.toStdString();
    }
    EXPECT_EQ(badge.right(), 680 - 1) << "the badge at the right edge";
}

TEST_F(RoutinesPageTest, TheLoadedListScrollsInTheHomeWindow) {
    history();
    RoutineEdits made;
    made.added = {test::app("org.gnome.Calculator")};
    for (const char* id : {"made:A", "made:B", "made:C"}) {
        world.store.save(made, id, static_cast<Date>(now) / 1000);
    }
    TabSelection selection;
    HomeView view(context(), selection, true);
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.show();
    settle();
    auto* page = qobject_cast<RoutinesPage*>(view.page());
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(page->rows().size(), 5U);
    QScrollBar* bar = view.pageArea()->verticalScrollBar();
    EXPECT_EQ(bar->maximum(), page->height() - view.pageArea()->viewport()->height());
    EXPECT_GT(bar->maximum(), 0) << "five rows are taller than the page area";
}

TEST_F(RoutinesPageTest, GoingDuringALoadOrASmartNameIsSafe) {
    history();
    {
        RoutinesPage page(context(), true);
        page.setAttribute(Qt::WA_DontShowOnScreen);
        page.show(); // the load starts and the page goes before it ends
        EXPECT_GT(world.time.pending(), 0U);
    }
    settle();
    EXPECT_EQ(world.time.pending(), 0U);

    // A smart name asked for a slot routine outlives the page that asked.
    const std::int64_t monday = ClassHistory::firstClass - ClassHistory::week;
    std::vector<Trigger> triggers;
    std::vector<SignalObservation> seen;
    for (int week = 0; week < 2; ++week) {
        const std::int64_t at = monday + week * 86'400'000 * 7 + 3 * 3'600'000;
        triggers.push_back({at, Trigger::Kind::unlock});
        seen.push_back({at, Signal::unlock, "{}"});
        seen.push_back({at + 60'000, Signal::appActivate, R"({"bundleID":"org.gnome.Calculator"})"});
    }
    world.store.append(seen);
    world.store.insert(triggers);
    SimulatedLanguageModel model(world.runtime.main());
    model.hold();
    {
        const auto page = shownPage(context(false, true, &model));
        ASSERT_EQ(model.requests().size(), 1U) << "a slot routine is being named";
    }
    model.answer(R"({"name":"Sums"})");
    ASSERT_TRUE(model.release());
    settle();
    EXPECT_EQ(world.settings.get(settingsKeys::smartNames), std::nullopt);
}

} // namespace
} // namespace ostrel::ui
