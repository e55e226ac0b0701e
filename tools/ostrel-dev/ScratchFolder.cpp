#include "ScratchFolder.hpp"

#include <random>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace ostrel::dev {

ScratchFolder::ScratchFolder(const std::filesystem::path& parent, const std::string& prefix) {
    std::random_device device;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate =
            parent / (prefix + std::to_string(::getpid()) + "-" + std::to_string(device() % 1'000'000));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            path_ = candidate;
            return;
        }
        if (error) {
            throw std::runtime_error("cannot make a folder in " + parent.string() + ": " + error.message());
        }
    }
    throw std::runtime_error("cannot make a folder in " + parent.string());
}

ScratchFolder::~ScratchFolder() {
    if (!keep_) {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
}

} // namespace ostrel::dev
