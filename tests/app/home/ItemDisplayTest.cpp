#include "app/home/ItemDisplay.hpp"

#include "platform/sim/SimulatedMachine.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(ItemDisplayTest, EachKindIsNamedAsEveryViewShowsIt) {
    SimulatedMachine machine;
    MachineState::InstalledApp calculator;
    calculator.appID = "org.gnome.Calculator";
    calculator.name = "Calculator";
    machine.installApp(calculator);
    const struct {
        std::optional<Item> item;
        const char* name;
    } cases[] = {
        {Item::app("org.gnome.Calculator"), "Calculator"},
        {Item::app("com.example.NotInstalled"), "com.example.NotInstalled"},
        {Item::document("/home/alex/Uni/Essay Draft.docx"), "Essay Draft.docx"},
        {Item::document("/home/alex/Uni/Statistics/"), "Statistics"},
        {Item::note("org.gnome.Notes", "Physics I"), "Physics I"},
        {Item::page("https://learn.uni-example.edu/course/4211/"), "learn.uni-example.edu/course/4211/"},
        // Every occurrence goes, not only the leading one; other schemes stay.
        {Item::page("https://example.com/login?next=https://example.com/home"),
         "example.com/login?next=example.com/home"},
        {Item::page("http://intranet.example/"), "http://intranet.example/"},
    };
    for (const auto& one : cases) {
        ASSERT_TRUE(one.item.has_value()) << one.name;
        EXPECT_EQ(ItemDisplay::name(*one.item, machine.workspace()), one.name);
    }
}

} // namespace
} // namespace ostrel
