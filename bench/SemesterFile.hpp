#pragma once

// A generated semester written into a database file under TMPDIR, as the application would have
// written it, and removed with its folder when the benchmark is done with it.

#include "core/store/Store.hpp"
#include "semester/SemesterGenerator.hpp"

#include <filesystem>
#include <string>
#include <unistd.h>

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

} // namespace ostrel::bench
