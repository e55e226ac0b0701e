#pragma once

#include "app/editor/Pickers.hpp"
#include "core/foundation/Calendar.hpp"
#include "platform/Platform.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/Settings.hpp"
#include "platform/sim/MachineState.hpp"
#include "platform/sim/SimulatedLanguageModel.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "ui/editor/EditorContext.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace ostrel::ui::shots {

// The routine editor's surroundings on a simulated machine in virtual time: what its pictures, its
// benchmark and its widget tests open it in. The store is the caller's (none: Save and Delete beep);
// the pickers answer nothing unless the caller gives others; the language model is a scripted one.
//
// Threading: the GUI thread only.
class EditorStage {
public:
    EditorStage(MachineState machine, Calendar calendar, Store* store = nullptr, Pickers* pickers = nullptr);
    ~EditorStage();

    EditorStage(const EditorStage&) = delete;
    EditorStage& operator=(const EditorStage&) = delete;

    const EditorContext& context() const { return context_; }
    EditorContext& context() { return context_; }
    VirtualTime& time() { return time_; }
    SimulatedMachine& machine() { return machine_; }
    SimulatedLanguageModel& model() { return model_; }
    Settings& settings() { return settings_; }
    // Seeded: a made routine's key is the same in every picture.
    SecureRandom& random() { return random_; }
    const Calendar& calendar() const { return calendar_; }
    int beeps() const { return beeps_; }
    int notifications() const { return notifications_; }

private:
    class NoPickers final : public Pickers {
    public:
        std::optional<std::string> application() override { return std::nullopt; }
        std::optional<std::string> file() override { return std::nullopt; }
    };

    VirtualTime time_;
    VirtualRuntime runtime_;
    SimulatedMachine machine_;
    Platform platform_;
    Settings settings_;
    SecureRandom random_{7};
    Calendar calendar_;
    SimulatedLanguageModel model_;
    NoPickers noPickers_;
    int beeps_ = 0;
    int notifications_ = 0;
    EditorContext context_;
};

} // namespace ostrel::ui::shots
