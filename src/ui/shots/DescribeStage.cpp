#include "ui/shots/DescribeStage.hpp"

#include "ui/shots/Shot.hpp"

#include <algorithm>

namespace ostrel::ui::shots {
namespace {

// An answer naming one app that is installed and one that is not, on arriving somewhere: with no
// Wi-Fi known, both give a note.
const char* const partlyMatched = R"({"name": "library", "apps": ["Firefox", "Photoshop"], "websites": [],
    "places": [], "hide": [], "mute": true,
    "when": {"kind": "arriving at a place, such as the library or home", "hour": 0, "minute": 0, "days": [],
             "name": ""}})";

} // namespace

const std::vector<std::string>& DescribeStage::names() {
    static const std::vector<std::string> all{"idle", "working", "unavailable", "notes", "failure"};
    return all;
}

DescribeStage::DescribeStage(RoutineDraft& draft, const std::string& state, const std::string& words)
    : main_(time_.makeExecutor("main")), model_(main_) {
    if (std::find(names().begin(), names().end(), state) == names().end()) {
        throw ShotError("\"describe\": one of idle, working, unavailable, notes, failure, not \"" + state + "\"");
    }
    DescribeFill::Sources sources{main_, main_, &model_, {}, {}, nullptr, nullptr};
    sources.installedApps = [] {
        return std::vector<InstalledApps::App>{{"Firefox", "org.mozilla.firefox"}, {"Files", "org.gnome.Nautilus"}};
    };
    fill_ = std::make_unique<DescribeFill>(draft, std::move(sources));
    fill_->setWords(words);
    play(*fill_, model_, time_, state);
}

void DescribeStage::play(DescribeFill& fill, SimulatedLanguageModel& model, VirtualTime& time,
                         const std::string& state) {
    if (std::find(names().begin(), names().end(), state) == names().end()) {
        throw ShotError("\"describe\": one of idle, working, unavailable, notes, failure, not \"" + state + "\"");
    }
    if (state == "unavailable") {
        model.setAvailability(ModelAvailability::notEnabled);
    }
    fill.probe();
    time.settle();
    if (state == "working") {
        model.hold();
        fill.fill();
        time.settle();
    } else if (state == "notes" || state == "failure") {
        model.answer(partlyMatched);
        fill.fill();
        time.settle();
        if (state == "failure") {
            model.answer("I'm not sure what you mean.");
            fill.fill();
            time.settle();
        }
    }
}

DescribeStage::~DescribeStage() {
    fill_.reset();
}

} // namespace ostrel::ui::shots
