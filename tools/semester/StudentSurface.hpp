#pragma once

#include "app/autopilot/Banner.hpp"
#include "app/autopilot/BannerSurface.hpp"
#include "core/foundation/Json.hpp"
#include "platform/Executor.hpp"
#include "semester/Random.hpp"

#include <functional>

namespace ostrel::semester {

// The simulated student in front of the banner: a while after a question shows (a seeded delay of
// 3 to 60 s, as someone who looks up from their work), they answer it with its first
// button ("Set up", "Save", "Tidy up") with probability yes, with its second ("Not now", "Keep
// it") with probability no, and otherwise let it time out; a result banner's "Undo" is pressed
// with probability undo, 2 to 8 s after it shows (it stays up for 10 s). A banner replaced or taken down before the student acts gets nothing.
//
// Threading: the main executor only.
class StudentSurface final : public BannerSurface {
public:
    struct Odds {
        double yes = 0.8;
        double no = 0.15;
        double undo = 0.05;
    };
    static constexpr double shortestLook = 3;  // seconds, at a question
    static constexpr double longestLook = 60;
    static constexpr double shortestUndo = 2;  // seconds, at a result
    static constexpr double longestUndo = 8;

    // banner: reaches the banner that presses go to (none: presses are dropped); trace: told of
    // each press as {"effect": "student", "action": "press", "button": label}.
    StudentSurface(Executor& main, std::uint64_t seed, Odds odds, std::function<Banner*()> banner,
                   std::function<void(const json::Value&)> trace);

    void present(const BannerContent& content) override;
    void hide() override;

    // Whether a banner is up now.
    bool showing() const { return showing_; }

private:
    Executor& main_;
    Random random_;
    const Odds odds_;
    std::function<Banner*()> banner_;
    std::function<void(const json::Value&)> trace_;
    bool showing_ = false;
    TaskHandle pending_;
};

} // namespace ostrel::semester
