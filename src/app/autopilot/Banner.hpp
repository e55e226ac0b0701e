#pragma once

#include "app/autopilot/BannerSurface.hpp"
#include "app/autopilot/SetupRunner.hpp"
#include "core/episodes/Item.hpp"
#include "platform/Executor.hpp"
#include "platform/Workspace.hpp"

#include <cstddef>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace ostrel {

// A locale id ICU cannot read.
class BannerTextError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// The app's one notice: reports what the autopilot did or asks a yes/no question, on a surface.
// At most one banner is up; a new one replaces the old. Each closes itself after its time-out, and
// a question that closes without an answer (time-out or replaced) runs its unanswered action:
//   answered       the action's wrapper drops the unanswered action first, then closes;
//   time-out       closes, then runs the unanswered action;
//   replaced       runs the unanswered action, then closes;
//   dismiss()      keeps the unanswered action: the time-out is stopped, so it runs only when the
//                  next banner replaces this one.
//
// Threading: main executor only, surface included.
class Banner {
public:
    using Action = std::function<void()>;

    struct Button {
        std::string label;
        Action action; // may be empty: the press does nothing
    };
    struct View {
        std::string title;
        std::string detail;
        std::optional<Button> primary; // present for a question
        std::optional<Button> secondary;
    };
    enum class Which { primary, secondary };

    static constexpr double offerTimeout = 120; // seconds
    static constexpr std::size_t maxNames = 3;

    // Both must outlive the banner.
    Banner(BannerSurface& surface, Executor& main);
    // Takes down the banner on screen, running nothing.
    ~Banner();

    Banner(const Banner&) = delete;
    Banner& operator=(const Banner&) = delete;

    // Puts view up for timeout seconds (not finite: until answered or replaced), replacing the
    // banner on screen; unanswered runs when it closes without an answer.
    void show(View view, double timeout, Action unanswered = {});
    // Wraps a question's button action: drops the unanswered action, closes the banner, then runs
    // action. Does nothing once this banner is gone.
    Action answered(Action action);
    // A question without an unanswered action: accept closes and runs action, decline only closes.
    void offer(const std::string& title, const std::string& detail, const std::string& accept,
               const std::string& decline, Action action);
    // Takes the banner down and stops its time-out; the unanswered action is kept.
    void dismiss();

    // A press of the shown banner's button; nothing when no banner is up or it has no such button.
    void press(Which which);

    // Told true when a question is put up, false when a result is put up and on every dismiss.
    void setQuestionShowing(std::function<void(bool)> hook);

    bool isShowing() const { return shown_.has_value(); }
    // A banner with a primary button is up.
    bool isQuestionPending() const { return shown_ && shown_->primary; }
    // What is up, as the surface was given it.
    std::optional<BannerContent> content() const;

    // The texts banners show. locale is an ICU locale id ("en_US"); each throws BannerTextError
    // for one ICU cannot read.
    //
    // The first three items named, then "N more" for the rest, joined as the locale lists with
    // "and"; empty for no items. An app is named as the workspace names it, else by its id.
    static std::string names(const std::vector<Item>& items, const Workspace& workspace, const std::string& locale);
    // What a run did, in one sentence: opened items, placed windows, muted, put apps away. Empty
    // for a run that did none of them.
    static std::string summary(const SetupRunner::Run& run, const Workspace& workspace, const std::string& locale);
    // The parts joined as the locale lists with "and" ("A, B, and C" in en_US).
    static std::string joined(const std::vector<std::string>& parts, const std::string& locale);

private:
    void timedOut();
    void tellQuestionShowing(bool showing);

    BannerSurface& surface_;
    Executor& main_;
    std::optional<View> shown_;
    Action unanswered_;
    std::function<void(bool)> questionShowing_;
    TaskHandle timer_;
    // Declared last, so it is destroyed first: wrapped answers and the time-out stop reaching this.
    LifetimeGuard guard_;
};

} // namespace ostrel
