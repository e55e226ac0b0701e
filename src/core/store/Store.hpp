#pragma once

#include "core/store/Database.hpp"

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

namespace ostrel {

// The one database of the application: the file, its permissions, the schema and its upgrades, and
// the lock that serialises every statement. Exists only fully opened at the current schema version.
class Store {
public:
    static constexpr int currentSchemaVersion = 4;
    // How long observations are kept, in seconds (90 days).
    static constexpr double observationRetention = 7'776'000;

    // Opens (creating when needed) and upgrades the database at url. Throws StoreError for the
    // folder, the files and a newer schema, SQLiteError for the database itself.
    explicit Store(std::filesystem::path url);

    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // "Quev/quev.sqlite" under the user's data folder: $XDG_DATA_HOME when it is an absolute path,
    // otherwise $HOME/.local/share.
    static std::filesystem::path defaultURL();
    static std::filesystem::path defaultURL(const std::optional<std::string>& xdgDataHome,
                                            const std::optional<std::string>& home);

    const std::filesystem::path& url() const { return url_; }

    // The version stored in the file; 0 when it cannot be read.
    int schemaVersion();

private:
    static void prepareFile(const std::filesystem::path& url);
    void migrate();
    int readSchemaVersion();

    std::filesystem::path url_;
    Database database_;
    std::mutex lock_;
};

} // namespace ostrel
