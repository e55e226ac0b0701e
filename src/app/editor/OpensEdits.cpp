#include "app/editor/OpensEdits.hpp"

#include "core/foundation/Url.hpp"

#include <variant>

namespace ostrel::OpensEdits {

namespace {

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view blanks = " \t\n\r\v\f";
    const std::size_t begin = text.find_first_not_of(blanks);
    if (begin == std::string_view::npos) {
        return {};
    }
    return text.substr(begin, text.find_last_not_of(blanks) - begin + 1);
}

bool isWebScheme(std::string_view scheme) {
    std::string lower(scheme);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower == "http" || lower == "https";
}

} // namespace

PageOutcome addPage(RoutineDraft& draft, std::string_view typed) {
    const std::string_view text = trimmed(typed);
    if (text.empty()) {
        return PageOutcome::ignored;
    }
    const std::string address =
        text.find("://") == std::string_view::npos ? "https://" + std::string(text) : std::string(text);
    const std::optional<Url> url = Url::parse(address);
    // Only a web page can be opened as one: a file: or mailto: address would hand the student's
    // text to some other program at every run.
    if (!url || !url->scheme() || !isWebScheme(*url->scheme()) || !url->host() || url->host()->empty()) {
        return PageOutcome::refused;
    }
    const std::optional<Item> page = Item::page(url->text());
    if (!page) {
        return PageOutcome::refused;
    }
    draft.add(*page);
    return PageOutcome::added;
}

void mergeOpenNow(RoutineDraft& draft, const RoutineEdits& openNow) {
    for (const Item& item : openNow.added) {
        draft.add(item);
    }
    draft.change([&](RoutineEdits& edits) {
        for (const auto& [bundleID, placement] : openNow.layout) {
            edits.layout.try_emplace(bundleID, placement);
        }
    });
}

void setPlacement(RoutineDraft& draft, const std::string& bundleID,
                  const std::optional<RoutineEdits::Placement>& placement) {
    draft.change([&](RoutineEdits& edits) {
        if (placement) {
            edits.layout.insert_or_assign(bundleID, *placement);
        } else {
            edits.layout.erase(bundleID);
        }
    });
}

const std::vector<PlacementChoice>& placementChoices() {
    static const std::vector<PlacementChoice> choices = {
        {"Wherever it opens", std::nullopt},
        {"Left half", RoutineEdits::Placement::left()},
        {"Right half", RoutineEdits::Placement::right()},
        {"Whole screen", RoutineEdits::Placement::full()},
    };
    return choices;
}

std::string_view symbol(const RoutineEdits::Placement& placement) {
    struct Visitor {
        std::string_view operator()(const RoutineEdits::Placement::Left&) const { return "rectangle.lefthalf.filled"; }
        std::string_view operator()(const RoutineEdits::Placement::Right&) const {
            return "rectangle.righthalf.filled";
        }
        std::string_view operator()(const RoutineEdits::Placement::Full&) const { return "rectangle.fill"; }
        std::string_view operator()(const WindowPayload::Frame&) const { return "macwindow"; }
    };
    return std::visit(Visitor{}, placement.value);
}

} // namespace ostrel::OpensEdits
