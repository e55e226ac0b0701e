#pragma once

#include "core/foundation/Rect.hpp"
#include "core/learning/AnswerPayload.hpp"
#include "semester/Timetable.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ostrel::semester {

// The computer the generated student sits at: what the generator reads of it and what it does on
// it. SimulatedMac records what the application would have seen by itself; MachineMac acts on a
// simulated machine where the application's own sources watch.
//
// Times are milliseconds since 1970 and come in order; a time before now acts now.
class StudentMac {
public:
    struct Window {
        std::string bundleID;
        std::optional<std::string> document;
        std::optional<std::string> title;
        Rect frame;
        bool minimized = false;
    };

    virtual ~StudentMac() = default;

    virtual std::int64_t now() const = 0;
    virtual bool asleep() const = 0;
    virtual bool locked() const = 0;
    virtual const std::string& front() const = 0;
    virtual const std::vector<std::string>& running() const = 0; // in launch order
    virtual bool isHidden(const std::string& bundleID) const = 0;
    virtual const std::vector<Window>& windows() const = 0; // front-most first
    virtual std::optional<std::int64_t> lastTrigger() const = 0;
    virtual bool externalDisplay() const = 0;
    virtual bool headphones() const = 0;

    // Lets time pass without the user up to t.
    virtual void advance(std::int64_t t) = 0;

    // ---- The machine ----
    virtual void boot(std::int64_t t, Place place) = 0; // powered on, the user logs in
    virtual void wake(std::int64_t t, Place place) = 0; // lid opened: wakes, and the user unlocks
    virtual void sleep(std::int64_t t) = 0;
    virtual void lock(std::int64_t t) = 0;
    virtual void unlock(std::int64_t t) = 0;
    virtual void connectExternalDisplay(std::int64_t t, bool connected) = 0; // with its dock's power
    virtual void connectHeadphones(std::int64_t t, bool connected) = 0;
    virtual void plugCharger(std::int64_t t, bool plugged) = 0;

    // ---- The user ----
    virtual void activate(std::int64_t t, std::string bundleID) = 0;
    virtual void openDocument(std::int64_t t, const std::string& path) = 0;
    virtual void showNote(std::int64_t t, const std::string& title) = 0;
    virtual void showPage(std::int64_t t, const std::string& url) = 0;
    // The page in a private window: the browser tells nothing of it but that one is in front.
    virtual void showPrivatePage(std::int64_t t, const std::string& url) = 0;
    virtual void focusOtherWindow(std::int64_t t) = 0;
    virtual void moveWindow(std::int64_t t) = 0;
    virtual void closeWindow(std::int64_t t) = 0;
    virtual void minimizeWindow(std::int64_t t) = 0;
    virtual void unminimizeWindow(std::int64_t t) = 0;
    virtual void hideFrontApp(std::int64_t t) = 0;
    virtual void quitApp(std::int64_t t, std::string bundleID) = 0;
    virtual void changeVolume(std::int64_t t) = 0;
    virtual void toggleMute(std::int64_t t) = 0;

    // ---- The application's own records, where the application is scripted too ----
    virtual void recordAnswer(std::int64_t t, const std::string& routine, AnswerPayload::Answer answer) = 0;
    virtual void recordRun(std::int64_t t, const std::string& run, const std::string& routine,
                           const std::vector<std::string>& items, bool automatic) = 0;
    virtual void recordUndo(std::int64_t t, const std::string& run, bool tidy) = 0;
};

} // namespace ostrel::semester
