#include "NewDatabase.hpp"

#include <cerrno>
#include <cstring>
#include <system_error>
#include <unistd.h>

namespace ostrel::dev {

NewDatabase::NewDatabase(const Options& options, const std::string& target) : options_(options), target_(target) {
    namespace fs = std::filesystem;
    const fs::path folder = target_.parent_path().empty() ? fs::path(".") : target_.parent_path();
    std::error_code failure;
    if (fs::symlink_status(target_, failure).type() != fs::file_type::not_found) {
        throw options.error(target + " already exists; " + options.command() + " writes a new database");
    }
    if (!fs::is_directory(folder, failure)) {
        throw options.error("no folder " + folder.string() + " to write " + target + " in");
    }
    try {
        scratch_.emplace(folder, ".ostrel-" + options.command() + "-");
    } catch (const std::exception& error) {
        throw options.error(error.what());
    }
    written_ = scratch_->path() / "quev.sqlite";
}

void NewDatabase::publish() const {
    if (::link(written_.c_str(), target_.c_str()) != 0) {
        throw options_.error("cannot write " + target_.string() + ": " + std::strerror(errno));
    }
}

} // namespace ostrel::dev
