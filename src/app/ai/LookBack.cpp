#include "app/ai/LookBack.hpp"

#include "app/ai/ModelCall.hpp"
#include "app/home/Duration.hpp"
#include "core/foundation/Text.hpp"
#include "platform/SettingsError.hpp"
#include "platform/SettingsKeys.hpp"

#include <algorithm>
#include <memory>
#include <span>
#include <vector>

#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>

namespace ostrel::LookBack {

namespace {

// The first `listed` entries the filter keeps, each as its name and the words of its span.
template <class Keep, class Name>
std::vector<std::string> entries(const std::vector<TimeReport::Usage>& usages, Keep keep, Name name) {
    std::vector<std::string> out;
    for (const TimeReport::Usage& usage : usages) {
        if (out.size() == listed) {
            break;
        }
        if (keep(usage.key)) {
            out.push_back(name(usage.key) + " " + Duration::words(usage.ms));
        }
    }
    return out;
}

std::string joined(const std::vector<std::string>& parts, std::string_view none) {
    if (parts.empty()) {
        return std::string(none);
    }
    std::string out;
    for (const std::string& part : parts) {
        if (!out.empty()) {
            out += "; ";
        }
        out += part;
    }
    return out;
}

// The locale's wide name of the weekday (1 = Sunday); empty when the locale has none.
std::string weekdayName(const std::string& locale, int weekday) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::DateFormatSymbols symbols(icu::Locale(locale.c_str()), "gregorian", status);
    if (U_FAILURE(status)) {
        return {};
    }
    std::int32_t count = 0;
    const icu::UnicodeString* days =
        symbols.getWeekdays(count, icu::DateFormatSymbols::FORMAT, icu::DateFormatSymbols::WIDE);
    if (days == nullptr || weekday < 1 || weekday >= count) {
        return {};
    }
    std::string name;
    days[weekday].toUTF8String(name);
    return name;
}

std::string busiestDay(const std::vector<std::int64_t>& days, const Calendar& calendar, Date now) {
    if (days.empty()) {
        return "unknown";
    }
    // max_element gives the first of equal values: the earliest day wins a tie.
    const auto index = static_cast<int>(std::max_element(days.begin(), days.end()) - days.begin());
    const int back = index - static_cast<int>(days.size()) + 1;
    const std::string name = weekdayName(calendar.locale(), calendar.weekday(calendar.addingDays(back, now)));
    return name.empty() ? "unknown" : name;
}

// Today's stored text, when the setting holds one for exactly this day.
std::optional<std::string> storedText(const Settings& settings, double day) {
    const std::optional<SettingsValue> stored = settings.get(settingsKeys::lookBack);
    const SettingsDictionary* dictionary = stored ? stored->as<SettingsDictionary>() : nullptr;
    if (dictionary == nullptr) {
        return std::nullopt;
    }
    const auto storedDay = dictionary->find("day");
    const auto text = dictionary->find("text");
    if (storedDay == dictionary->end() || text == dictionary->end()) {
        return std::nullopt;
    }
    const double* number = storedDay->second.as<double>();
    const std::string* words = text->second.as<std::string>();
    if (number == nullptr || words == nullptr || *number != day) {
        return std::nullopt;
    }
    return *words;
}

} // namespace

std::string facts(const TimeReport& report, const Workspace& workspace, const Calendar& calendar, Date now,
                  const Exclusions& exclusions) {
    const auto apps = entries(
        report.apps, [&](const std::string& id) { return !exclusions.hidesApp(id); },
        [&](const std::string& id) { return workspace.appName(id).value_or(id); });
    const auto sites = entries(
        report.sites, [&](const std::string& site) { return !exclusions.hidesSite(site); },
        [](const std::string& site) { return site; });
    const auto classes = entries(
        report.classes, [](const std::string&) { return true; },
        [](const std::string& title) { return title; });

    return "Total on the Mac this week: " + Duration::words(report.active) + ".\nApps: " + joined(apps, "") +
           ".\nWebsites: " + joined(sites, "none recorded") +
           ".\nIn classes: " + joined(classes, "none recorded") +
           ".\nBusiest day: " + busiestDay(report.days, calendar, now) + ".\nOstrel set things up " +
           std::to_string(report.runs) + " times, saving about " + Duration::words(report.saved) + ".";
}

Subscription write(const TimeReport& report, const Calendar& calendar, Date now, const ModelAccess& access,
                   Done done) {
    if (report.active < threshold) {
        done(std::nullopt);
        return {};
    }
    // One answer, through whichever step gets there.
    auto finish = std::make_shared<Done>(std::move(done));
    const double day = calendar.startOfDay(now);
    ModelRequest request{std::string(instructions),
                         facts(report, access.workspace, calendar, now, access.exclusions), std::nullopt};
    Settings& settings = access.settings;
    return ModelCall::whenAvailable(
        access.model,
        {[finish] { (*finish)(std::nullopt); },
         [finish, &settings, day, request = std::move(request)]() -> std::optional<ModelRequest> {
             if (auto text = storedText(settings, day)) {
                 (*finish)(text);
                 return std::nullopt;
             }
             return request;
         },
         [finish, &settings, day](const ModelReply& reply) {
             const std::string text = reply.content ? text::trimmed(*reply.content) : std::string();
             if (text.empty()) {
                 (*finish)(std::nullopt);
                 return;
             }
             try {
                 settings.set(settingsKeys::lookBack, SettingsDictionary{{"day", day}, {"text", text}});
             } catch (const SettingsError&) {
                 // Kept for the screen only: the next call asks again.
             }
             (*finish)(text);
         }});
}

} // namespace ostrel::LookBack
