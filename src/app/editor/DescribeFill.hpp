#pragma once

#include "app/ai/InstalledApps.hpp"
#include "app/ai/RoutineIdea.hpp"
#include "app/editor/RoutineDraft.hpp"
#include "app/shell/ChangeNotifier.hpp"
#include "app/signals/PlaceSignal.hpp"
#include "platform/AudioSystem.hpp"
#include "platform/Displays.hpp"
#include "platform/Executor.hpp"
#include "platform/LanguageModel.hpp"
#include "platform/Subscription.hpp"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

// The state behind the routine editor's describe card: what the student typed, whether the model is
// being asked, the notes of the last fill and the failure of the last one, and whether the model
// can be used at all. fill() hands the words, as typed, to Describe::routine with what the machine
// has now (installed apps, the draft's classes, the Wi-Fi network, connected displays and audio
// outputs) and writes the result into the draft, keeping the draft's `created`.
//
// Deliberately not here: any wording of its own beyond the one failure sentence (the reason for an
// unavailable model is OnDevice's), retries, and storing anything: the draft is the only thing
// written, and only on success.
//
// Threading: main executor only. The installed apps are scanned on the worker (reading every
// desktop entry takes long enough to stall a frame) and handed back to main. Destroying the object
// while a probe, a scan or a model call is pending is safe: the tokens are let go and nothing of
// it is called back.
class DescribeFill {
public:
    enum class Property { words, working, notes, failure, availability };

    // Shown when a fill ends in any error; the error itself is never shown.
    static constexpr const char* failureText =
        "Ostrel couldn't make sense of that. Try saying it another way, or fill it in below.";

    // What the card reads from the machine. Every reference must outlive the object.
    struct Sources {
        Executor& main;
        Executor& worker;
        // None: there is no model on this machine, which counts as unavailable ("other").
        LanguageModel* model = nullptr;
        // The installed apps; called on the worker, so it must touch nothing of main's.
        std::function<std::vector<InstalledApps::App>()> installedApps;
        // The Wi-Fi network joined now; empty when the app has no observer (the network is absent).
        std::function<std::optional<PlaceSignal::Network>()> network;
        // Read on main when a fill starts; none gives an empty list.
        const Displays* displays = nullptr;
        const AudioSystem* audio = nullptr;
    };

    DescribeFill(RoutineDraft& draft, Sources sources);
    ~DescribeFill();

    DescribeFill(const DescribeFill&) = delete;
    DescribeFill& operator=(const DescribeFill&) = delete;

    const std::string& words() const { return words_; }
    void setWords(std::string words);

    bool working() const { return working_; }
    const std::vector<std::string>& notes() const { return notes_; }
    const std::optional<std::string>& failure() const { return failure_; }
    // Unknown until the first probe has answered.
    const std::optional<ModelAvailability>& availability() const { return availability_; }

    // Whether the text field and button show: until a probe says otherwise, they do.
    bool usable() const;
    // The sentence shown instead of the field when the model cannot be used; "" while usable.
    std::string unavailableReason() const;

    // Not working, and the words hold something besides spaces and tabs (a line break alone counts).
    bool canFill() const;

    // Asks the model whether it can answer; availability follows when it does. Without a model it
    // is `other` at once. A probe asked while another is pending replaces it.
    void probe();

    // Starts a fill unless canFill() is false (a press while the last fill runs does nothing).
    // Returns whether it started. Clears the failure and sets working at once; the outcome arrives
    // later on main: the draft's edits replaced (its `created` kept) and the notes replaced, or the
    // failure text with everything else as it was.
    bool fill();

    [[nodiscard]] Subscription observe(ChangeNotifier<Property>::Observer observer) {
        return notifier_.observe(std::move(observer));
    }

private:
    void ask(const std::string& words, RoutineIdea::Surroundings surroundings);
    void finish(const Described* described);

    RoutineDraft& draft_;
    Sources sources_;
    std::string words_;
    bool working_ = false;
    std::vector<std::string> notes_;
    std::optional<std::string> failure_;
    std::optional<ModelAvailability> availability_;
    ChangeNotifier<Property> notifier_;
    Subscription probing_;
    Subscription describing_;
    // Last: the scan's answer posted back to main does nothing once this is gone.
    LifetimeGuard guard_;
};

} // namespace ostrel
