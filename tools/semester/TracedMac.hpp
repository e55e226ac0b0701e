#pragma once

#include "core/foundation/Json.hpp"
#include "semester/StudentMac.hpp"

#include <functional>

namespace ostrel::semester {

// The student's hands with every action told, as {"effect": "student", "action": NAME, "at": ms,
// ...} with what it concerns: time first passes up to the action, so the application's effects
// before it are told before it. Reads and the passing of time are not told.
class TracedMac final : public StudentMac {
public:
    using Trace = std::function<void(const json::Value& line)>;

    // inner must outlive this.
    TracedMac(StudentMac& inner, Trace trace) : inner_(inner), trace_(std::move(trace)) {}

    std::int64_t now() const override { return inner_.now(); }
    bool asleep() const override { return inner_.asleep(); }
    bool locked() const override { return inner_.locked(); }
    const std::string& front() const override { return inner_.front(); }
    const std::vector<std::string>& running() const override { return inner_.running(); }
    bool isHidden(const std::string& bundleID) const override { return inner_.isHidden(bundleID); }
    const std::vector<Window>& windows() const override { return inner_.windows(); }
    std::optional<std::int64_t> lastTrigger() const override { return inner_.lastTrigger(); }
    bool externalDisplay() const override { return inner_.externalDisplay(); }
    bool headphones() const override { return inner_.headphones(); }
    void advance(std::int64_t t) override { inner_.advance(t); }

    void boot(std::int64_t t, Place place) override { act(t, "boot", {{"place", placeName(place)}}, [&] { inner_.boot(t, place); }); }
    void wake(std::int64_t t, Place place) override { act(t, "wake", {{"place", placeName(place)}}, [&] { inner_.wake(t, place); }); }
    void sleep(std::int64_t t) override { act(t, "sleep", {}, [&] { inner_.sleep(t); }); }
    void lock(std::int64_t t) override { act(t, "lock", {}, [&] { inner_.lock(t); }); }
    void unlock(std::int64_t t) override { act(t, "unlock", {}, [&] { inner_.unlock(t); }); }
    void connectExternalDisplay(std::int64_t t, bool connected) override {
        act(t, "externalDisplay", {{"connected", connected}}, [&] { inner_.connectExternalDisplay(t, connected); });
    }
    void connectHeadphones(std::int64_t t, bool connected) override {
        act(t, "headphones", {{"connected", connected}}, [&] { inner_.connectHeadphones(t, connected); });
    }
    void plugCharger(std::int64_t t, bool plugged) override {
        act(t, "charger", {{"plugged", plugged}}, [&] { inner_.plugCharger(t, plugged); });
    }
    void activate(std::int64_t t, std::string bundleID) override {
        act(t, "activate", {{"app", bundleID}}, [&] { inner_.activate(t, bundleID); });
    }
    void openDocument(std::int64_t t, const std::string& path) override {
        act(t, "openDocument", {{"path", path}}, [&] { inner_.openDocument(t, path); });
    }
    void showNote(std::int64_t t, const std::string& title) override {
        act(t, "showNote", {{"title", title}}, [&] { inner_.showNote(t, title); });
    }
    void showPage(std::int64_t t, const std::string& url) override {
        act(t, "showPage", {{"url", url}}, [&] { inner_.showPage(t, url); });
    }
    void showPrivatePage(std::int64_t t, const std::string& url) override {
        act(t, "showPrivatePage", {{"url", url}}, [&] { inner_.showPrivatePage(t, url); });
    }
    void focusOtherWindow(std::int64_t t) override { act(t, "focusOtherWindow", {}, [&] { inner_.focusOtherWindow(t); }); }
    void moveWindow(std::int64_t t) override { act(t, "moveWindow", {}, [&] { inner_.moveWindow(t); }); }
    void closeWindow(std::int64_t t) override { act(t, "closeWindow", {}, [&] { inner_.closeWindow(t); }); }
    void minimizeWindow(std::int64_t t) override { act(t, "minimizeWindow", {}, [&] { inner_.minimizeWindow(t); }); }
    void unminimizeWindow(std::int64_t t) override { act(t, "unminimizeWindow", {}, [&] { inner_.unminimizeWindow(t); }); }
    void hideFrontApp(std::int64_t t) override { act(t, "hideFrontApp", {}, [&] { inner_.hideFrontApp(t); }); }
    void quitApp(std::int64_t t, std::string bundleID) override {
        act(t, "quit", {{"app", bundleID}}, [&] { inner_.quitApp(t, bundleID); });
    }
    void changeVolume(std::int64_t t) override { act(t, "changeVolume", {}, [&] { inner_.changeVolume(t); }); }
    void toggleMute(std::int64_t t) override { act(t, "toggleMute", {}, [&] { inner_.toggleMute(t); }); }

    void recordAnswer(std::int64_t t, const std::string& routine, AnswerPayload::Answer answer) override {
        inner_.recordAnswer(t, routine, answer);
    }
    void recordRun(std::int64_t t, const std::string& run, const std::string& routine,
                   const std::vector<std::string>& items, bool automatic) override {
        inner_.recordRun(t, run, routine, items, automatic);
    }
    void recordUndo(std::int64_t t, const std::string& run, bool tidy) override { inner_.recordUndo(t, run, tidy); }

private:
    static const char* placeName(Place place) {
        switch (place) {
        case Place::home:
            return "home";
        case Place::campus:
            return "campus";
        case Place::library:
            return "library";
        case Place::elsewhere:
            return "elsewhere";
        }
        return "elsewhere";
    }

    template <class Action>
    void act(std::int64_t t, const char* name, json::Value details, Action&& action) {
        if (trace_) {
            inner_.advance(t);
            json::Value line{{"effect", "student"}, {"action", name}, {"at", std::max(t, inner_.now())}};
            for (auto& [key, value] : details.items()) {
                line[key] = value;
            }
            trace_(line);
        }
        action();
    }

    StudentMac& inner_;
    Trace trace_;
};

} // namespace ostrel::semester
