#pragma once

// A banner surface that draws nothing: it keeps what is shown and writes every present and hide
// into a log the test owns, in order, beside whatever else the test logs there.

#include "app/autopilot/BannerSurface.hpp"

#include <optional>
#include <string>
#include <vector>

namespace ostrel::test {

class RecordingSurface : public BannerSurface {
public:
    explicit RecordingSurface(std::vector<std::string>& log) : log_(log) {}

    void present(const BannerContent& content) override {
        if (showing) {
            log_.push_back("present over a shown banner");
        }
        showing = content;
        log_.push_back("present " + content.title);
    }
    void hide() override {
        if (!showing) {
            log_.push_back("hide with nothing shown");
        }
        showing.reset();
        log_.push_back("hide");
    }

    std::optional<BannerContent> showing;

private:
    std::vector<std::string>& log_;
};

} // namespace ostrel::test
