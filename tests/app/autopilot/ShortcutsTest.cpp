#include "app/autopilot/Shortcuts.hpp"

#include "platform/sim/SimulatedMachine.hpp"
#include "support/LogCapture.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ostrel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using CommandRun = SimulatedMachine::CommandRun;

TEST(ShortcutsParseTest, SplitsAtLineFeedsDropsEmptiesKeepsEverythingElseAndSortsByCodePoint) {
    struct Case {
        const char* name;
        std::string output;
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        {"empty output", "", {}},
        {"only line feeds", "\n\n", {}},
        {"B, A, empty, C", "B\nA\n\nC\n", {"A", "B", "C"}},
        {"no final line feed", "Zeta\nAlpha", {"Alpha", "Zeta"}},
        {"nothing trimmed", "x\r\n y \n\tz\n", {"\tz", " y ", "x\r"}},
        {"upper case before lower case", "b\nB\na\nA\n", {"A", "B", "a", "b"}},
        {"code points, not collation", "\xC3\x89t\xC3\xA9\nzebra\nEcho\n", {"Echo", "zebra", "\xC3\x89t\xC3\xA9"}},
        {"astral after BMP private use", "\xF0\x9F\x8E\xB5 Music\n\xEF\xA3\xBF\n", {"\xEF\xA3\xBF", "\xF0\x9F\x8E\xB5 Music"}},
        {"ill-formed bytes replaced", "ok\n\xFF" "bad\n", {"ok", "\xEF\xBF\xBD" "bad"}},
        {"duplicates kept", "A\nA\n", {"A", "A"}},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.name);
        EXPECT_EQ(Shortcuts::parseNames(item.output), item.names);
    }
}

class ShortcutsTest : public ::testing::Test {
protected:
    ShortcutsTest() {
        MachineState state = MachineState::withOwnApp();
        state.shortcuts = {"Log Homework", "focus", "Focus Mode"};
        machine.setState(state);
    }

    std::vector<LogEntry> shortcutLines() const {
        std::vector<LogEntry> found;
        for (const LogEntry& entry : logs.entries()) {
            if (entry.category == "shortcuts") {
                found.push_back(entry);
            }
        }
        return found;
    }

    test::LogCapture logs;
    SimulatedMachine machine;
    Shortcuts shortcuts{machine.commands()};
};

TEST_F(ShortcutsTest, ListsTheToolsNamesSortedWithinTenSeconds) {
    EXPECT_THAT(shortcuts.names(), ElementsAre("Focus Mode", "Log Homework", "focus"));
    EXPECT_THAT(machine.commandsRun(), ElementsAre(CommandRun{{"list"}, 10, true}));
}

TEST_F(ShortcutsTest, RunStartsTheNameAsOneArgumentWithinFiveMinutes) {
    const std::string name = "Focus \"Mode\" 'now'; --help";
    shortcuts.run(name);
    EXPECT_THAT(machine.commandsRun(), ElementsAre(CommandRun{{"run", name}, 300, false}));
    EXPECT_THAT(shortcutLines(), IsEmpty());
}

TEST_F(ShortcutsTest, NamesTheToolWouldReadAsOptionsAreRefusedAndLogged) {
    for (const std::string name : {"", "-", "-h", "--help"}) {
        SCOPED_TRACE(name);
        shortcuts.run(name);
    }
    EXPECT_THAT(machine.commandsRun(), IsEmpty());
    EXPECT_EQ(shortcutLines().size(), 4u);
}

TEST_F(ShortcutsTest, WithoutTheToolNamesIsEmptyRunDoesNothingAndEachLogsOneLine) {
    machine.setAvailability("commands", Availability::no("no shortcuts tool"));
    EXPECT_THAT(shortcuts.names(), IsEmpty());
    const auto afterNames = shortcutLines();
    ASSERT_EQ(afterNames.size(), 1u);
    EXPECT_THAT(afterNames[0].message, ::testing::HasSubstr("no shortcuts tool"));
    shortcuts.run("Focus Mode");
    EXPECT_EQ(shortcutLines().size(), 2u);
    EXPECT_THAT(machine.commandsRun(), IsEmpty());
}

TEST_F(ShortcutsTest, AToolThatCannotStartListsNothing) {
    machine.failCalls("commandRun", 1);
    EXPECT_THAT(shortcuts.names(), IsEmpty());
    EXPECT_EQ(shortcutLines().size(), 1u);
    EXPECT_EQ(shortcuts.names().size(), 3u) << "the next list works again";
}

} // namespace
} // namespace ostrel
