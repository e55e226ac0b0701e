#pragma once

// A store in a fresh folder under TMPDIR for one measurement, and the writer-alone measurement the
// observer benchmarks compare against.

#include "core/observations/ObservationWriter.hpp"
#include "core/store/Store.hpp"

#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace ostrel::bench {

// A folder of this process under TMPDIR, emptied when made and removed when gone.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name)
        : folder_(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    ~ScratchFolder() { std::filesystem::remove_all(folder_); }

    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::filesystem::path path() const { return folder_ / "quev.sqlite"; }

private:
    std::filesystem::path folder_;
};

// Writes rows through a writer into a new store, as the sources' writer would, and waits for them.
inline void writeAlone(const std::vector<SignalObservation>& rows, const std::string& folderName) {
    ScratchFolder folder(folderName);
    Store store(folder.path());
    ObservationWriter writer(store, rows.size());
    for (const SignalObservation& row : rows) {
        writer.write(row);
    }
    writer.flush();
}

} // namespace ostrel::bench
