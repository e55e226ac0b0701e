#pragma once

// A generated semester written into a database file under TMPDIR, as the application would have
// written it, and removed with its folder when the benchmark is done with it.

#include "core/store/Store.hpp"
#include "semester/SemesterGenerator.hpp"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace ostrel::bench {

class SemesterFile {
public:
    // name tells the files of several benchmarks or terms apart.
    SemesterFile(const std::string& name, const semester::SemesterOptions& options)
        : path_(std::filesystem::temp_directory_path() /
                ("ostrel-bench-" + name + "-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(path_);
        semester::SemesterGenerator generator(options);
        Store store(database());
        summary_ = semester::writeSemester(generator, store);
    }
    ~SemesterFile() { std::filesystem::remove_all(path_); }
    SemesterFile(const SemesterFile&) = delete;
    SemesterFile& operator=(const SemesterFile&) = delete;

    std::filesystem::path database() const { return path_ / "quev.sqlite"; }
    const semester::SemesterSummary& summary() const { return summary_; }

private:
    std::filesystem::path path_;
    semester::SemesterSummary summary_;
};

// The 90-day semester at 4,000 observations a day that the planning pass and the autopilot are
// measured on, and its last class start, the trigger both are timed at.
class ClassStartSemester {
public:
    static constexpr int days = 90;
    static constexpr int perDay = 4'000;

    explicit ClassStartSemester(const std::string& name) : file_(name, options()) {
        Store store(database(), Store::Access::reader);
        const std::vector<Trigger> triggers = store.triggers(summary().from, summary().to);
        const auto last = std::find_if(triggers.rbegin(), triggers.rend(), [](const Trigger& trigger) {
            return trigger.kind == Trigger::Kind::eventStart;
        });
        if (last == triggers.rend()) {
            throw std::runtime_error("the generated semester has no class start");
        }
        trigger_ = *last;
    }

    std::filesystem::path database() const { return file_.database(); }
    const semester::SemesterSummary& summary() const { return file_.summary(); }
    const Trigger& trigger() const { return trigger_; }

private:
    static semester::SemesterOptions options() {
        semester::SemesterOptions options;
        options.days = days;
        options.perDay = perDay;
        return options;
    }

    SemesterFile file_;
    Trigger trigger_;
};

} // namespace ostrel::bench
