// What the student keeps private never reaches the language model: over a generated semester with
// messaging and mail apps, excluded mail and messaging sites and a private window, neither the
// look-back nor a smart-name request names any of them.

#include "app/ai/LookBack.hpp"
#include "app/ai/SmartNames.hpp"
#include "core/observations/TimeReport.hpp"
#include "platform/sim/SimulatedLanguageModel.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "semester/SemesterGenerator.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ostrel {
namespace {

// Words of the excluded apps, the excluded sites and the page only ever seen in a private window.
const std::vector<std::string> privateWords = {"MobileSMS", "com.apple.mail", "whatsapp", "mail.google", "etsy",
                                               "birthday"};

std::string body(const ModelRequest& request) {
    return request.instructions + "\n" + request.prompt + "\n" + (request.schema ? request.schema->dump() : "");
}

TEST(ModelPrivacyTest, NoRequestNamesWhatIsKeptPrivate) {
    semester::SemesterOptions options;
    options.days = 14;
    options.perDay = 1'500;
    options.seed = 11;
    const semester::Semester recorded = semester::generateSemester(options);
    const Calendar calendar(options.zone, "en_US");

    // The semester holds what must stay out, recorded without its names.
    int excludedApps = 0;
    int excludedTabs = 0;
    for (const SignalObservation& observation : recorded.observations) {
        if (observation.signal == Signal::appActivate && observation.payload == R"({"excluded":true})") {
            ++excludedApps;
        }
        if (observation.signal == Signal::browserTab && observation.payload == R"({"excluded":true})") {
            ++excludedTabs;
        }
        for (const std::string& word : privateWords) {
            EXPECT_EQ(observation.payload.find(word), std::string::npos) << observation.payload;
        }
    }
    EXPECT_GT(excludedApps, 0);
    EXPECT_GT(excludedTabs, 0);

    VirtualTime time;
    Executor& main = time.makeExecutor("main");
    SimulatedLanguageModel model(main);
    SimulatedMachine machine;
    Settings settings(Settings::inMemory);
    const ModelAccess access{model, settings, machine.workspace()};

    const std::int64_t weekFrom = recorded.to - 7 * 86'400'000LL;
    const TimeReport week(recorded.observations, weekFrom, recorded.to, recorded.calendar, calendar);
    ASSERT_GE(week.active, LookBack::threshold);
    model.answer("A busy week.");
    Subscription lookBack =
        LookBack::write(week, calendar, static_cast<Date>(recorded.to - 1) / 1000.0, access,
                        [](const std::optional<std::string>&) {});

    // A slot routine for each course's things, with the private ones added by hand.
    semester::SemesterGenerator generator(options);
    std::vector<Subscription> naming;
    std::int64_t halfHour = 16;
    for (const semester::Course& course : generator.courses()) {
        Routine routine{ContextKey::slot(2, halfHour++, "campus")};
        for (const std::string& id : semester::plantedItems(course)) {
            if (auto item = Item::fromId(id)) {
                routine.items.push_back(*item);
            }
        }
        routine.items.insert(routine.items.begin(), {*Item::app("com.apple.MobileSMS"), *Item::app("com.apple.mail"),
                                                     *Item::page("https://web.whatsapp.com/"),
                                                     *Item::page("https://mail.google.com/mail/u/0/#inbox")});
        model.answer(R"({"name":"Course time"})");
        naming.push_back(SmartNames::name(routine, {}, calendar, access, [](const std::optional<std::string>&) {}));
    }
    time.settle();

    ASSERT_EQ(model.requests().size(), 1 + generator.courses().size());
    for (const ModelRequest& request : model.requests()) {
        const std::string text = body(request);
        for (const std::string& word : privateWords) {
            EXPECT_EQ(text.find(word), std::string::npos) << word << " in " << text;
        }
    }
    // The smart-name prompts still name the courses' own things.
    EXPECT_NE(model.requests()[1].prompt.find(", "), std::string::npos) << model.requests()[1].prompt;
}

} // namespace
} // namespace ostrel
