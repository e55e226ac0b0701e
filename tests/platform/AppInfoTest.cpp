#include "platform/AppInfo.hpp"
#include "platform/Settings.hpp"

#include <map>
#include <unistd.h>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

AppInfo::Environment environmentOf(std::map<std::string, std::string> variables) {
    return [variables = std::move(variables)](const std::string& name) -> std::optional<std::string> {
        const auto found = variables.find(name);
        return found == variables.end() ? std::nullopt : std::optional(found->second);
    };
}

TEST(AppInfo, VersionIsDevWhenNoneIsGiven) {
    const Settings settings(Settings::inMemory);
    EXPECT_EQ(AppInfo(std::nullopt, "/r", settings, environmentOf({})).version(), "dev");
    EXPECT_EQ(AppInfo("", "/r", settings, environmentOf({})).version(), "dev");
    const AppInfo info("1.4.2", "/usr/share/ostrel", settings, environmentOf({}));
    EXPECT_EQ(info.version(), "1.4.2");
    EXPECT_EQ(info.resourceFolder(), std::filesystem::path("/usr/share/ostrel"));
    EXPECT_EQ(info.pid(), ::getpid());
    EXPECT_EQ(AppInfo::applicationID(), "org.ostrel.Ostrel");
}

TEST(AppInfo, InfoReadsTheEnvironmentBeforeSettings) {
    Settings settings(Settings::inMemory);
    settings.set("OstrelScoresEmail", "settings@example.org");
    settings.set("OnlyData", SettingsData{{'x'}});
    settings.set("OnlySettings", "from settings");
    const AppInfo info("1", "/r",
                       settings,
                       environmentOf({{"OstrelScoresEmail", "env@example.org"}, {"EmptyInEnvironment", ""}}));

    struct Case {
        const char* key;
        const char* expected;
    };
    for (const Case& c : {Case{"OstrelScoresEmail", "env@example.org"}, Case{"OnlySettings", "from settings"},
                          Case{"OnlyData", ""}, Case{"Missing", ""}, Case{"EmptyInEnvironment", ""}}) {
        EXPECT_EQ(info.info(c.key), c.expected) << c.key;
    }
    settings.set("EmptyInEnvironment", "fallback");
    EXPECT_EQ(info.info("EmptyInEnvironment"), "fallback");
}

} // namespace
} // namespace ostrel
