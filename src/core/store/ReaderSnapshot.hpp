#pragma once

#include "core/store/Database.hpp"

#include <filesystem>
#include <string>

namespace ostrel {

// What a tool opens to read a database without changing a byte of it or of its folder. SQLite
// recovers on open even for a reader: it checkpoints a leftover "-wal" into the file and rolls a
// hot "-journal" back. A file alone is therefore read in place as immutable; a file with either
// companion is copied with it into a private folder, recovered there, and the copy removed after.
class ReaderSnapshot {
public:
    // Throws StoreError when the file or a companion is missing, not a regular file or unreadable.
    explicit ReaderSnapshot(const std::filesystem::path& url);
    ~ReaderSnapshot();

    ReaderSnapshot(const ReaderSnapshot&) = delete;
    ReaderSnapshot& operator=(const ReaderSnapshot&) = delete;

    const std::string& path() const { return path_; }
    Database::OpenMode mode() const { return mode_; }
    bool isCopy() const { return !folder_.empty(); }

private:
    std::filesystem::path folder_; // the private copy's folder; empty when read in place
    std::string path_;
    Database::OpenMode mode_ = Database::OpenMode::immutable;
};

} // namespace ostrel
