#include "platform/Updater.hpp"

namespace ostrel {

bool runningFromInstalledLayout(const std::filesystem::path& executablePath) {
    const std::filesystem::path folder = executablePath.parent_path();
    if (!executablePath.has_filename() || folder.filename() != "bin") {
        return false;
    }
    std::error_code error;
    return std::filesystem::is_directory(folder.parent_path() / "share" / "ostrel", error);
}

} // namespace ostrel
