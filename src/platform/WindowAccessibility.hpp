#pragma once

#include "core/foundation/HashCombine.hpp"
#include "core/foundation/Rect.hpp"
#include "platform/Availability.hpp"
#include "platform/Executor.hpp"
#include "platform/Subscription.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

// An element of another application's interface: the application itself (id 0) or one of its
// windows. Elements are compared by value; a closed window's element stays valid as a key but
// every read of it fails.
struct WindowElement {
    int pid = 0;
    std::uint64_t id = 0;

    static WindowElement application(int pid) { return {pid, 0}; }
    bool isApplication() const { return id == 0; }

    friend bool operator==(const WindowElement&, const WindowElement&) = default;
};

// Notification names, registered on the application element or on a window element.
namespace accessibility {
inline constexpr const char* focusedWindowChanged = "AXFocusedWindowChanged";
inline constexpr const char* windowCreated = "AXWindowCreated";
inline constexpr const char* windowMiniaturized = "AXWindowMiniaturized";
inline constexpr const char* windowDeminiaturized = "AXWindowDeminiaturized";
inline constexpr const char* elementDestroyed = "AXUIElementDestroyed";
inline constexpr const char* windowMoved = "AXWindowMoved";
inline constexpr const char* windowResized = "AXWindowResized";
inline constexpr const char* titleChanged = "AXTitleChanged";
// The subrole of an ordinary document window; sheets, dialogs and panels have others.
inline constexpr const char* standardWindow = "AXStandardWindow";
} // namespace accessibility

// The notifications of one application. Registering a name on the application element receives
// it for every window of that application; on a window element, for that window only. The
// callback gets the name and the window concerned (for AXFocusedWindowChanged, the newly focused
// window). Destroying the observer stops its callbacks, including ones already on their way.
class AccessibilityObserver {
public:
    using Callback = std::function<void(const std::string& name, WindowElement element)>;

    virtual ~AccessibilityObserver() = default;

    // False when the element is gone or does not belong to this observer's application.
    virtual bool add(WindowElement element, const std::string& name) = 0;
};

// Other applications' windows, read one attribute at a time through the accessibility interface.
// Every read may fail (the app is busy, the window closed, the permission is off): each returns
// an empty optional then, and the caller's step does nothing.
//
// Threading: every member may be called from any thread; a read blocks for at most the messaging
// timeout. Notices reach each callback on the executor it was given.
class WindowAccessibility {
public:
    using TrustCallback = std::function<void()>;

    virtual ~WindowAccessibility() = default;

    virtual Availability availability() const = 0;

    // Whether the user has allowed this application to read other applications' windows.
    virtual bool isTrusted() const = 0;
    // Told when the permission may have changed; read isTrusted() again (a little later: the
    // system takes a moment to apply it).
    virtual Subscription subscribeTrust(Executor& executor, TrustCallback callback) = 0;
    // Bounds every later read from another application.
    virtual void setMessagingTimeout(double seconds) = 0;

    // An observer of the application pid; nullptr when it cannot be made (no permission, the
    // process is gone).
    virtual std::unique_ptr<AccessibilityObserver> observe(int pid, Executor& executor,
                                                           AccessibilityObserver::Callback callback) = 0;

    // The application's windows, front to back.
    virtual std::optional<std::vector<WindowElement>> windows(int pid) const = 0;
    virtual std::optional<WindowElement> focusedWindow(int pid) const = 0;
    virtual std::optional<std::string> subrole(WindowElement element) const = 0;
    virtual std::optional<std::string> title(WindowElement element) const = 0;
    // The file URL of the document the window shows (a bare path is not recorded).
    virtual std::optional<std::string> document(WindowElement element) const = 0;
    // In screen points, y downward.
    virtual std::optional<Rect> frame(WindowElement element) const = 0;
    virtual std::optional<bool> minimized(WindowElement element) const = 0;

    // Moves or resizes a window, in screen points with y downward. False when the system refused
    // (no permission, the window closed, a fixed-size window); the app may also settle somewhere
    // else than asked, so callers that care read the frame again. Each change sends the window's
    // "AXWindowResized" or "AXWindowMoved" as a user's drag would.
    virtual bool setSize(WindowElement window, double width, double height) = 0;
    virtual bool setPosition(WindowElement window, double x, double y) = 0;
};

} // namespace ostrel

template <>
struct std::hash<ostrel::WindowElement> {
    std::size_t operator()(const ostrel::WindowElement& element) const noexcept {
        std::size_t seed = std::hash<int>()(element.pid);
        ostrel::hashCombine(seed, std::hash<std::uint64_t>()(element.id));
        return seed;
    }
};
