#pragma once

#include "app/editor/Pickers.hpp"

#include <deque>
#include <optional>
#include <string>

namespace ostrel::test {

// Answers each dialog with the next queued choice (nothing once the queue is empty, as a
// cancelled dialog) and counts the dialogs shown.
class FakePickers final : public Pickers {
public:
    std::deque<std::optional<std::string>> applications;
    std::deque<std::optional<std::string>> files;
    int applicationDialogs = 0;
    int fileDialogs = 0;

    std::optional<std::string> application() override {
        ++applicationDialogs;
        return next(applications);
    }
    std::optional<std::string> file() override {
        ++fileDialogs;
        return next(files);
    }

private:
    static std::optional<std::string> next(std::deque<std::optional<std::string>>& queue) {
        if (queue.empty()) {
            return std::nullopt;
        }
        auto answer = std::move(queue.front());
        queue.pop_front();
        return answer;
    }
};

} // namespace ostrel::test
