#pragma once

#include <filesystem>
#include <set>
#include <string>

namespace ostrel::test {

// A fresh folder under the system's temporary folder, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();

    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& relative) const { return path_ / relative; }

    // Writes content to the file name in this folder and gives its path as text.
    std::string write(const std::string& name, const std::string& content) const;

private:
    std::filesystem::path path_;
};

// The names of the entries in a folder, to show a command left nothing behind.
std::set<std::string> namesIn(const std::filesystem::path& folder);

} // namespace ostrel::test
