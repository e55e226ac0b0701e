#pragma once

#include "Options.hpp"
#include "ScratchFolder.hpp"

#include <filesystem>
#include <optional>
#include <string>

namespace ostrel::dev {

// A database a command writes from nothing at a path the user named. The path must not exist yet
// and its folder must. The file is written in a scratch folder of the tool's own beside it (so the
// user's folder keeps its permissions) and linked into place by publish(): a run that fails leaves
// nothing behind, and a file that appeared meanwhile is never replaced. Mistakes are the command's
// errors.
class NewDatabase {
public:
    NewDatabase(const Options& options, const std::string& target);

    // Where the command writes the database.
    const std::filesystem::path& path() const { return written_; }
    // Puts the written file at the target; the store must be closed.
    void publish() const;

private:
    const Options& options_;
    std::filesystem::path target_;
    std::optional<ScratchFolder> scratch_;
    std::filesystem::path written_;
};

} // namespace ostrel::dev
