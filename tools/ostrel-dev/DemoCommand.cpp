#include "Commands.hpp"
#include "Options.hpp"
#include "core/store/Store.hpp"
#include "semester/SemesterGenerator.hpp"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <iostream>
#include <map>
#include <random>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace ostrel::dev {

namespace {

namespace fs = std::filesystem;

// 110208 as "110,208".
std::string grouped(std::int64_t number) {
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, number).ptr;
    const std::string digits(buffer, end);
    std::string text;
    const std::size_t first = digits.front() == '-' ? 1 : 0;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > first && (digits.size() - i) % 3 == 0) {
            text += ',';
        }
        text += digits[i];
    }
    return text;
}

// "name count" pairs, most first, then by name.
std::string ranked(const std::map<std::string, std::int64_t>& counts, std::size_t limit) {
    std::vector<std::pair<std::string, std::int64_t>> sorted(counts.begin(), counts.end());
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    std::string text;
    for (std::size_t i = 0; i < sorted.size() && i < limit; ++i) {
        text += (i == 0 ? "" : ", ") + sorted[i].first + " " + grouped(sorted[i].second);
    }
    if (sorted.size() > limit) {
        text += " and " + std::to_string(sorted.size() - limit) + " more";
    }
    return text;
}

// A fresh folder of our own under the system's temporary folder.
fs::path makeFolder() {
    std::random_device device;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path folder = fs::temp_directory_path() / ("ostrel-demo-" + std::to_string(::getpid()) +
                                                             "-" + std::to_string(device() % 1'000'000));
        std::error_code error;
        if (fs::create_directory(folder, error)) {
            return folder;
        }
    }
    throw CommandError("ostrel-dev demo: cannot make a temporary folder");
}

// Removes the folder unless asked to keep it, also when the demo fails half-way.
class Folder {
public:
    Folder(fs::path path, bool keep) : path_(std::move(path)), keep_(keep) {}
    ~Folder() {
        if (!keep_) {
            std::error_code ignored;
            fs::remove_all(path_, ignored);
        }
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
    bool keep_;
};

} // namespace

// Generates four weeks of a student's semester into a temporary database and shows what it holds
// and what the core makes of it. Deterministic: every run prints the same lines but the path.
int demoCommand(const Arguments& arguments) {
    const Options options("demo", arguments, {}, {"--keep"});
    if (!options.positional().empty()) {
        throw options.error("takes no arguments but --keep");
    }
    const Folder folder(makeFolder(), options.flag("--keep"));
    const fs::path path = folder.path() / "quev.sqlite";

    semester::SemesterOptions semesterOptions;
    semesterOptions.days = 28;
    semester::SemesterGenerator generator(semesterOptions);
    Store store(path);
    const semester::SemesterSummary summary = semester::writeSemester(generator, store);

    std::map<std::string, std::int64_t> signals;
    for (const SignalObservation& observation : store.observations(summary.from, summary.to)) {
        ++signals[observation.signal.rawValue];
    }
    std::map<std::string, std::int64_t> triggers;
    for (const Trigger& trigger : store.triggers(summary.from, summary.to)) {
        ++triggers[std::string(toString(trigger.kind))];
    }
    const std::vector<Episode> episodes = store.episodes(summary.from, summary.to);
    std::vector<std::int64_t> minutes;
    std::int64_t brought = 0;
    std::int64_t inClass = 0;
    for (const Episode& episode : episodes) {
        minutes.push_back((episode.end - episode.start) / 60'000);
        brought += static_cast<std::int64_t>(episode.setup.broughtUp.size());
        inClass += std::any_of(episode.context.events.begin(), episode.context.events.end(),
                               [](const CalendarEvent& event) { return event.recurring; })
                       ? 1
                       : 0;
    }
    std::sort(minutes.begin(), minutes.end());

    std::string courses;
    for (const semester::Course& course : generator.courses()) {
        courses += (courses.empty() ? "" : ", ") + course.code + " " + course.title;
    }
    std::cout << "Ostrel demo: four weeks of a generated student's semester from " << semesterOptions.year
              << "-" << semesterOptions.month << "-" << semesterOptions.day << " in " << semesterOptions.zone
              << ", seed " << semesterOptions.seed << "\n";
    std::cout << "  courses: " << courses << "\n";
    std::cout << "  database: " << path.string()
              << (options.flag("--keep") ? " (kept)" : " (removed afterwards)") << "\n";
    std::cout << "  days: " << summary.days << ", observations: " << grouped(summary.observations)
              << " (about " << grouped(summary.observations / std::max(1, summary.days)) << " a day) of "
              << signals.size() << " kinds\n";
    std::cout << "  most observed: " << ranked(signals, 6) << "\n";
    std::cout << "  calendar: " << grouped(summary.events) << " events in " << store.calendarSeries().size()
              << " repeating series\n";
    std::cout << "  triggers: " << grouped(summary.triggers) << " (" << ranked(triggers, 4) << ")\n";
    std::cout << "  episodes rebuilt: " << grouped(static_cast<std::int64_t>(episodes.size())) << ", "
              << grouped(inClass) << " at a class; median length "
              << (minutes.empty() ? 0 : minutes[minutes.size() / 2]) << " min, on average "
              << (episodes.empty() ? 0 : brought / static_cast<std::int64_t>(episodes.size()))
              << " things brought up in the first minutes\n";
    return 0;
}

} // namespace ostrel::dev
