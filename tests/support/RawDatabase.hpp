#pragma once

#include <filesystem>
#include <string>

struct sqlite3;

namespace ostrel::test {

// A plain SQLite connection for setting up and inspecting files behind the store's back.
class RawDatabase {
public:
    explicit RawDatabase(const std::filesystem::path& path);
    ~RawDatabase();

    RawDatabase(const RawDatabase&) = delete;
    RawDatabase& operator=(const RawDatabase&) = delete;

    void exec(const std::string& sql);
    // The first column of the first row as text ("" when there is none or it is NULL).
    std::string scalar(const std::string& sql);

private:
    sqlite3* handle_ = nullptr;
};

// The whole content of a file, byte for byte.
std::string readFile(const std::filesystem::path& path);
// The permission bits of path itself, not following a symbolic link.
unsigned permissionsOf(const std::filesystem::path& path);

} // namespace ostrel::test
