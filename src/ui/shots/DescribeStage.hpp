#pragma once

#include "app/editor/DescribeFill.hpp"
#include "platform/sim/SimulatedLanguageModel.hpp"
#include "platform/sim/VirtualTime.hpp"

#include <memory>
#include <string>
#include <vector>

namespace ostrel::ui::shots {

// A describe card's state put together for a picture by driving a real DescribeFill with a scripted
// model in virtual time, so a picture shows only what the card can really come to. The states:
// "idle" (words typed, nothing asked), "working" (the model holds the question), "unavailable"
// (the model probed as not enabled), "notes" (a fill whose answer could not all be matched) and
// "failure" (that fill, then one the model answered with nonsense). Throws ShotError for another
// name.
//
// Threading: the GUI thread; the draft must outlive the stage.
class DescribeStage {
public:
    static const std::vector<std::string>& names();

    DescribeStage(RoutineDraft& draft, const std::string& state, const std::string& words);
    ~DescribeStage();

    DescribeStage(const DescribeStage&) = delete;
    DescribeStage& operator=(const DescribeStage&) = delete;

    DescribeFill& fill() { return *fill_; }

    // Puts fill, asking model in time, into the named state (its words already typed).
    static void play(DescribeFill& fill, SimulatedLanguageModel& model, VirtualTime& time, const std::string& state);

private:
    VirtualTime time_;
    Executor& main_;
    SimulatedLanguageModel model_;
    std::unique_ptr<DescribeFill> fill_;
};

} // namespace ostrel::ui::shots
