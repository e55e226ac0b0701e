#include "app/autopilot/Banner.hpp"

#include "core/browsing/WebPage.hpp"

#include <unicode/listformatter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <type_traits>
#include <utility>
#include <variant>

namespace ostrel {

namespace {

// A document as a file manager lists it: its file name.
std::string documentName(const std::string& path) {
    std::string_view text = path;
    while (text.size() > 1 && text.back() == '/') {
        text.remove_suffix(1);
    }
    const std::size_t slash = text.rfind('/');
    return std::string(slash == std::string_view::npos || text.size() == 1 ? text : text.substr(slash + 1));
}

std::string itemName(const Item& item, const Workspace& workspace) {
    return std::visit(
        [&](const auto& value) -> std::string {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, Item::App>) {
                return workspace.appName(value.bundleID).value_or(value.bundleID);
            } else if constexpr (std::is_same_v<T, Item::Document>) {
                return documentName(value.path);
            } else if constexpr (std::is_same_v<T, Item::Note>) {
                return value.title;
            } else {
                return WebPage::isMeeting(value.url) ? "the video call" : "a class page";
            }
        },
        item.value());
}

std::string countOfApps(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " app" : " apps");
}

} // namespace

Banner::Banner(BannerSurface& surface, Executor& main) : surface_(surface), main_(main) {}

Banner::~Banner() {
    // Its buttons would lead nowhere. The hook is not told: its owner may be gone already.
    timer_.cancel();
    if (shown_) {
        shown_.reset();
        surface_.hide();
    }
}

void Banner::show(View view, double timeout, Action unanswered) {
    // The banner being replaced counts as not answered. Its action runs before this one is up,
    // taken out first so that it runs exactly once whatever it does; should it put up a banner of
    // its own, that one is replaced in turn.
    for (Action replaced = std::exchange(unanswered_, nullptr); replaced;
         replaced = std::exchange(unanswered_, nullptr)) {
        replaced();
    }
    unanswered_ = std::move(unanswered);
    dismiss();

    const bool question = view.primary.has_value();
    shown_ = std::move(view);
    surface_.present(*content());
    tellQuestionShowing(question);
    if (std::isfinite(timeout)) {
        timer_ = main_.postAfter(std::max(timeout, 0.0), guard_.wrap([this] { timedOut(); }));
    }
}

Banner::Action Banner::answered(Action action) {
    return guard_.wrap([this, action = std::move(action)] {
        unanswered_ = nullptr;
        dismiss();
        if (action) {
            action();
        }
    });
}

void Banner::offer(const std::string& title, const std::string& detail, const std::string& accept,
                   const std::string& decline, Action action) {
    View view;
    view.title = title;
    view.detail = detail;
    view.primary = Button{accept, guard_.wrap([this, action = std::move(action)] {
                              dismiss();
                              if (action) {
                                  action();
                              }
                          })};
    view.secondary = Button{decline, guard_.wrap([this] { dismiss(); })};
    show(std::move(view), offerTimeout);
}

void Banner::dismiss() {
    timer_.cancel();
    if (shown_) {
        shown_.reset();
        surface_.hide();
    }
    tellQuestionShowing(false);
}

void Banner::press(Which which) {
    if (!shown_) {
        return;
    }
    const std::optional<Button>& button = which == Which::primary ? shown_->primary : shown_->secondary;
    if (!button || !button->action) {
        return;
    }
    // A copy: the action closes this banner, which destroys the view that holds it.
    const Action action = button->action;
    action();
}

void Banner::setQuestionShowing(std::function<void(bool)> hook) {
    questionShowing_ = std::move(hook);
}

std::optional<BannerContent> Banner::content() const {
    if (!shown_) {
        return std::nullopt;
    }
    BannerContent made;
    made.title = shown_->title;
    made.detail = shown_->detail;
    if (shown_->primary) {
        made.primary = shown_->primary->label;
    }
    if (shown_->secondary) {
        made.secondary = shown_->secondary->label;
    }
    return made;
}

void Banner::timedOut() {
    Action unanswered = std::exchange(unanswered_, nullptr);
    dismiss();
    if (unanswered) {
        unanswered();
    }
}

void Banner::tellQuestionShowing(bool showing) {
    if (questionShowing_) {
        // A copy, so that the hook may replace itself.
        const std::function<void(bool)> hook = questionShowing_;
        hook(showing);
    }
}

std::string Banner::names(const std::vector<Item>& items, const Workspace& workspace, const std::string& locale) {
    std::vector<std::string> parts;
    for (std::size_t index = 0; index < items.size() && index < maxNames; ++index) {
        parts.push_back(itemName(items[index], workspace));
    }
    if (items.size() > maxNames) {
        parts.push_back(std::to_string(items.size() - maxNames) + " more");
    }
    return joined(parts, locale);
}

std::string Banner::summary(const SetupRunner::Run& run, const Workspace& workspace, const std::string& locale) {
    std::vector<std::string> clauses;
    // Every clause after the first starts lower-case.
    const auto add = [&clauses](const std::string& upper, const std::string& lower) {
        clauses.push_back(clauses.empty() ? upper : lower);
    };
    if (!run.opened.empty()) {
        const std::string opened = names(run.opened, workspace, locale);
        add("Opened " + opened, "opened " + opened);
    }
    if (!run.routine.edits.layout.empty()) {
        add("Placed your windows", "placed your windows");
    }
    if (run.wasMuted.has_value()) {
        add("Muted the Mac", "muted the Mac");
    }
    if (!run.hid.empty()) {
        std::vector<std::string> hidden;
        for (const AppInstance& app : run.hid) {
            if (std::optional<std::string> name = workspace.appName(app.appID)) {
                hidden.push_back(std::move(*name));
            }
        }
        // Apps without a name are left out of a short list; when none has one, their count stands in.
        const std::string what = hidden.empty()           ? countOfApps(run.hid.size())
                                 : hidden.size() < maxNames ? joined(hidden, locale)
                                                            : countOfApps(hidden.size());
        add("Put away " + what, "put away " + what);
    }
    return joined(clauses, locale);
}

std::string Banner::joined(const std::vector<std::string>& parts, const std::string& locale) {
    const icu::Locale icuLocale(locale.c_str());
    if (locale.find('\0') != std::string::npos || icuLocale.isBogus()) {
        throw BannerTextError("malformed locale: " + locale);
    }
    if (parts.empty()) {
        return {};
    }
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<icu::ListFormatter> formatter(
        icu::ListFormatter::createInstance(icuLocale, ULISTFMT_TYPE_AND, ULISTFMT_WIDTH_WIDE, status));
    if (U_FAILURE(status) || !formatter) {
        throw BannerTextError("no list format for locale: " + locale);
    }
    std::vector<icu::UnicodeString> items;
    items.reserve(parts.size());
    for (const std::string& part : parts) {
        items.push_back(icu::UnicodeString::fromUTF8(part));
    }
    icu::UnicodeString text;
    formatter->format(items.data(), static_cast<int32_t>(items.size()), text, status);
    if (U_FAILURE(status)) {
        throw BannerTextError("cannot list for locale: " + locale);
    }
    std::string result;
    text.toUTF8String(result);
    return result;
}

} // namespace ostrel
