// The routine editor's sections offscreen on a simulated machine: what each shows for a draft,
// what its menus offer, and what its clicks write into the draft.

#include "app/editor/RoutineDraft.hpp"
#include "support/FakePickers.hpp"
#include "support/Items.hpp"
#include "ui/editor/AddMenu.hpp"
#include "ui/editor/AlsoSection.hpp"
#include "ui/editor/Chip.hpp"
#include "ui/editor/ChoiceButton.hpp"
#include "ui/editor/HowSection.hpp"
#include "ui/editor/ItemPill.hpp"
#include "ui/editor/OpensSection.hpp"
#include "ui/editor/PutsAwaySection.hpp"
#include "ui/editor/SectionTitle.hpp"
#include "ui/editor/TimePicker.hpp"
#include "ui/editor/WhenSection.hpp"
#include "ui/shots/EditorStage.hpp"
#include "ui/theme/SkyLink.hpp"
#include "ui/theme/SkySwitch.hpp"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimeEdit>

#include <gtest/gtest.h>

#include <memory>

namespace ostrel::ui {
namespace {

using test::app;
using test::ids;
using test::page;

QStringList texts(const QMenu* menu) {
    QStringList out;
    for (const QAction* action : menu->actions()) {
        out << (action->isSeparator() ? QString("---") : action->text());
    }
    return out;
}

QAction* action(QMenu* menu, const QString& text) {
    for (QAction* one : menu->actions()) {
        if (one->text() == text) {
            return one;
        }
    }
    ADD_FAILURE() << "no entry " << text.toStdString();
    return nullptr;
}

MachineState desk() {
    MachineState state = MachineState::withOwnApp();
    MachineState::App editor;
    editor.pid = 2001;
    editor.bundleID = "org.gnome.gedit";
    editor.name = "Text Editor";
    MachineState::Window window;
    window.id = 1;
    window.frame = Rect{100, 80, 900, 700};
    editor.windows = {window};
    MachineState::App chat = editor;
    chat.pid = 2002;
    chat.bundleID = "com.discordapp.Discord";
    chat.name = "Discord";
    chat.windows = {};
    state.apps = {editor, chat};
    state.frontPid = 2001;
    MachineState::Display external;
    external.id = "DP-1";
    external.name = "Dell U2720Q";
    external.number = 2;
    external.uuid = "uuid-dell";
    external.frame = Rect{0, 0, 2560, 1440};
    state.displays.push_back(external);
    return state;
}

class EditorSectionsTest : public ::testing::Test {
protected:
    std::unique_ptr<RoutineDraft> learned(Routine routine, std::vector<CalendarSeries> series = {}) {
        return std::make_unique<RoutineDraft>(routine, std::move(series), false, stage.calendar(), stage.settings(),
                                              [](const std::string&) { return std::optional<std::string>(); });
    }
    std::unique_ptr<RoutineDraft> physics() {
        Routine routine{ContextKey::event("physics")};
        routine.items = {app("org.gnome.gedit"), page("https://uni.example/physics")};
        return learned(routine, {{"physics", "Physics", 0}});
    }

    test::FakePickers pickers;
    shots::EditorStage stage{desk(), Calendar("Europe/Berlin", "en_US"), nullptr, &pickers};
};

// MARK: - When

TEST_F(EditorSectionsTest, TheLearnedMomentIsAChipOrALinkNeverBoth) {
    const auto draft = physics();
    WhenSection when(*draft, stage.context());
    ASSERT_EQ(when.chips().size(), 1U);
    EXPECT_EQ(when.chips()[0]->text(), "When Physics starts");
    EXPECT_EQ(when.chips()[0]->symbol(), "sparkles");
    EXPECT_FALSE(when.chips()[0]->isTappable());
    EXPECT_TRUE(when.learnedLink()->isHidden());
    EXPECT_TRUE(when.note()->isHidden());

    when.chips()[0]->removeButton()->click();
    EXPECT_FALSE(draft->edits().learnedWhen);
    EXPECT_TRUE(when.chips().empty());
    EXPECT_FALSE(when.learnedLink()->isHidden());
    EXPECT_EQ(when.learnedLink()->text(), "Also when Ostrel learned it: when physics starts");
    EXPECT_FALSE(when.note()->isHidden());
    EXPECT_EQ(when.note()->text(), "No moment yet: it only happens when you choose Set up now.");

    when.learnedLink()->click();
    EXPECT_TRUE(draft->edits().learnedWhen);
    EXPECT_EQ(when.chips().size(), 1U);
    EXPECT_TRUE(when.learnedLink()->isHidden());
    EXPECT_TRUE(when.note()->isHidden());
}

TEST_F(EditorSectionsTest, TheMomentMenuOffersWhatIsConnectedAndAddsItsCue) {
    const auto draft = physics();
    WhenSection when(*draft, stage.context());
    QMenu* menu = when.addMenu()->buildMenu();
    EXPECT_EQ(texts(menu), (QStringList{"At a time\u2026", "When a class starts", "When Dell U2720Q is plugged in",
                                        "When you open an app\u2026"}));
    action(menu, "When Dell U2720Q is plugged in")->trigger();
    pickers.applications = {"org.gnome.Terminal"};
    action(menu, "When you open an app\u2026")->trigger();
    action(menu, "When you open an app\u2026")->trigger(); // cancelled
    EXPECT_EQ(draft->edits().cues,
              (std::vector<Cue>{Cue{Cue::Display{"uuid-dell", "Dell U2720Q"}}, Cue{Cue::App{"org.gnome.Terminal"}}}));
    ASSERT_EQ(when.chips().size(), 3U);
    EXPECT_EQ(when.chips()[1]->symbol(), "display");
    EXPECT_EQ(when.chips()[1]->text(), "When Dell U2720Q is plugged in");
    EXPECT_FALSE(when.chips()[1]->isTappable()) << "only a time opens a picker";
}

TEST_F(EditorSectionsTest, TheTimePickerWritesItsCueInPlace) {
    const auto draft = physics();
    draft->add(Cue{Cue::App{"a"}});
    draft->add(Cue{Cue::Time{{2, 3, 4, 5, 6}, 540}});
    WhenSection when(*draft, stage.context());
    Chip* timeChip = when.chips()[2];
    EXPECT_EQ(timeChip->symbol(), "clock");
    ASSERT_TRUE(timeChip->isTappable());
    EXPECT_EQ(timeChip->wordsButton()->toolTip(), "Change it");
    timeChip->wordsButton()->click();
    TimePicker* picker = when.timePicker();
    ASSERT_NE(picker, nullptr);
    QStringList letters;
    for (const QAbstractButton* day : picker->days()) {
        letters << day->text();
    }
    EXPECT_EQ(letters, (QStringList{"M", "T", "W", "T", "F", "S", "S"}));

    picker->days().back()->click(); // Sunday
    EXPECT_EQ(draft->edits().cues[1], (Cue{Cue::Time{{1, 2, 3, 4, 5, 6}, 540}}));
    picker->time()->setTime(QTime(7, 30));
    EXPECT_EQ(draft->edits().cues[1], (Cue{Cue::Time{{2, 3, 4, 5, 6, 1}, 450}}));
    ASSERT_EQ(when.timePicker(), picker) << "its own changes leave the picker open";
    EXPECT_TRUE(when.chips()[2]->text().contains("7:30")) << when.chips()[2]->text().toStdString();

    // The list changes under it: the position may now name another cue.
    draft->removeCue(0);
    QTRY_VERIFY(when.popover() == nullptr);
}

// MARK: - Opens

TEST_F(EditorSectionsTest, ThePillsMenusPlaceAppsAndTakeThingsOut) {
    const auto draft = physics();
    OpensSection opens(*draft, stage.context());
    ASSERT_EQ(opens.pills().size(), 2U);
    QMenu* appMenu = opens.pills()[0]->buildMenu();
    EXPECT_EQ(texts(appMenu), (QStringList{"Wherever it opens", "Left half", "Right half", "Whole screen",
                                           "Where it is now", "---", "Don't open it"}));
    EXPECT_TRUE(action(appMenu, "Wherever it opens")->isChecked());
    action(appMenu, "Left half")->trigger();
    EXPECT_EQ(draft->edits().layout.at("org.gnome.gedit"), RoutineEdits::Placement::left());
    EXPECT_EQ(opens.pills()[0]->placementSymbol(), "rectangle.lefthalf.filled");
    appMenu = opens.pills()[0]->buildMenu();
    EXPECT_TRUE(action(appMenu, "Left half")->isChecked());
    EXPECT_FALSE(action(appMenu, "Wherever it opens")->isChecked());
    action(appMenu, "Where it is now")->trigger();
    EXPECT_EQ(opens.pills()[0]->placementSymbol(), "macwindow");
    EXPECT_EQ(stage.beeps(), 0);

    EXPECT_EQ(texts(opens.pills()[1]->buildMenu()), QStringList{"Don't open it"});
    action(opens.pills()[1]->buildMenu(), "Don't open it")->trigger();
    ASSERT_EQ(opens.pills().size(), 1U);
    ASSERT_EQ(opens.removedButtons().size(), 1U);
    EXPECT_FALSE(opens.removedRow()->isHidden());
    EXPECT_EQ(opens.removedButtons()[0]->toolTip(), "Open it again");
    opens.removedButtons()[0]->click();
    EXPECT_EQ(ids(draft->items()), (std::vector<std::string>{"app:org.gnome.gedit", "page:https://uni.example/physics"}));
    EXPECT_TRUE(opens.removedRow()->isHidden());
}

TEST_F(EditorSectionsTest, WhereItIsNowBeepsForAnAppWithoutAWindow) {
    const auto draft = physics();
    draft->add(app("com.discordapp.Discord"));
    OpensSection opens(*draft, stage.context());
    action(opens.pills()[2]->buildMenu(), "Where it is now")->trigger();
    EXPECT_EQ(stage.beeps(), 1);
    EXPECT_TRUE(draft->edits().layout.empty());
}

TEST_F(EditorSectionsTest, TheWebPageFieldAddsOnReturnAndBeepsAtNoAddress) {
    const auto draft = physics();
    OpensSection opens(*draft, stage.context());
    opens.show();
    EXPECT_TRUE(opens.pageRow()->isHidden());
    QMenu* add = opens.addMenu()->buildMenu();
    EXPECT_EQ(texts(add), (QStringList{"An app\u2026", "A file\u2026", "A web page\u2026", "Everything open now"}));
    action(add, "A web page\u2026")->trigger();
    EXPECT_FALSE(opens.pageRow()->isHidden());

    opens.pageField()->setText("file:///etc/passwd");
    QTest::keyClick(opens.pageField(), Qt::Key_Return);
    EXPECT_EQ(stage.beeps(), 1);
    EXPECT_EQ(opens.pageField()->text(), "file:///etc/passwd");
    EXPECT_FALSE(opens.pageRow()->isHidden());

    opens.pageField()->setText("  canvas.example.edu/calc ");
    QTest::keyClick(opens.pageField(), Qt::Key_Return);
    EXPECT_TRUE(opens.pageRow()->isHidden());
    EXPECT_TRUE(opens.pageField()->text().isEmpty());
    EXPECT_EQ(ids(draft->edits().added), (std::vector<std::string>{"page:https://canvas.example.edu/calc"}));
}

TEST_F(EditorSectionsTest, TheAccessibilityLineShowsWhilePlacingWithoutPermission) {
    struct Case {
        bool trusted;
        bool placed;
        bool shown;
    };
    for (const Case c : {Case{false, true, true}, Case{false, false, false}, Case{true, true, false}}) {
        MachineState state = desk();
        state.trusted = c.trusted;
        shots::EditorStage local(state, Calendar("UTC", "en_US"));
        const auto draft = physics();
        if (c.placed) {
            draft->change([](RoutineEdits& edits) { edits.layout["org.gnome.gedit"] = RoutineEdits::Placement::full(); });
        }
        OpensSection opens(*draft, local.context());
        EXPECT_EQ(!opens.accessibilityLine()->isHidden(), c.shown) << c.trusted << c.placed;
    }
}

// MARK: - Puts away, Also, How

TEST_F(EditorSectionsTest, PutsAwayOffersRunningAppsNotListed) {
    const auto draft = physics();
    PutsAwaySection putsAway(*draft, stage.context());
    QMenu* menu = putsAway.addMenu()->buildMenu();
    EXPECT_EQ(texts(menu), (QStringList{"Discord", "Text Editor", "---", "Another app\u2026"}));
    action(menu, "Discord")->trigger();
    EXPECT_EQ(texts(putsAway.addMenu()->buildMenu()), (QStringList{"Text Editor", "---", "Another app\u2026"}));
    pickers.applications = {"com.discordapp.Discord"};
    action(putsAway.addMenu()->buildMenu(), "Another app\u2026")->trigger();
    EXPECT_EQ(draft->edits().putAway.size(), 2U);
    ASSERT_EQ(putsAway.chips().size(), 2U);
    putsAway.chips()[0]->removeButton()->click();
    EXPECT_TRUE(draft->edits().putAway.empty());
    EXPECT_TRUE(putsAway.chips().empty());
}

TEST_F(EditorSectionsTest, TheAlsoRowsWriteTheirFields) {
    Routine routine{ContextKey::made("A")};
    routine.edits.added = {app("org.gnome.gedit")};
    routine.edits.shortcut = "Focus";
    const auto draft = learned(routine, {{"physics", "Physics", 0}});
    AlsoSection also(*draft, stage.context().runtime, stage.context().commands);
    EXPECT_TRUE(also.tidyUpRow()->isHidden()) << "not tied to a class";
    EXPECT_EQ(also.shortcut()->currentIndex(), -1) << "a stored shortcut not listed shows no choice";

    also.mute()->click();
    also.pickUp()->click();
    EXPECT_TRUE(draft->edits().mute);
    EXPECT_FALSE(draft->edits().pickUp);

    draft->add(Cue{Cue::Event{"physics"}});
    EXPECT_FALSE(also.tidyUpRow()->isHidden());
    EXPECT_EQ(also.tidyUp()->currentText(), "Ask me");

    also.setShortcuts({"Do Not Disturb", "Focus"});
    EXPECT_EQ(also.shortcut()->currentText(), "Focus");
    also.shortcut()->setCurrentIndex(0);
    Q_EMIT also.shortcut()->activated(0);
    EXPECT_FALSE(draft->edits().shortcut);
    EXPECT_EQ(draft->edits().mute, true) << "other fields stay";
}

TEST_F(EditorSectionsTest, HowShowsAnUnsetModeAsSetUpByItself) {
    const auto draft = physics();
    HowSection how(*draft);
    const auto chosen = [&how] {
        QStringList out;
        for (QAbstractButton* choice : how.choices()) {
            if (static_cast<ChoiceButton*>(choice)->isChosen()) out << choice->text();
        }
        return out;
    };
    EXPECT_EQ(chosen(), QStringList{"Set up by itself"});
    how.choices()[0]->click();
    EXPECT_FALSE(draft->edits().mode);
    how.choices()[2]->click();
    EXPECT_EQ(draft->edits().mode, RoutineEdits::Mode::off);
    EXPECT_EQ(chosen(), QStringList{"Off"});
    EXPECT_EQ(how.title()->detail(), "Ostrel keeps it, but never sets it up.");
    how.choices()[0]->click();
    EXPECT_EQ(draft->edits().mode, RoutineEdits::Mode::automatic);
}

} // namespace
} // namespace ostrel::ui
