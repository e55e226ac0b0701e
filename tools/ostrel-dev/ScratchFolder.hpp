#pragma once

#include <filesystem>
#include <string>

namespace ostrel::dev {

// A fresh folder of the tool's own, removed with everything in it on destruction unless kept.
// The store makes the folder of its file private (mode 0700); writing into a folder of our own
// keeps that from happening to a folder the user named, such as /tmp or their home.
class ScratchFolder {
public:
    // A new folder "<prefix><pid>-<number>" in parent. Throws std::runtime_error when none can be
    // made.
    ScratchFolder(const std::filesystem::path& parent, const std::string& prefix);
    ~ScratchFolder();

    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    void keep() { keep_ = true; }

private:
    std::filesystem::path path_;
    bool keep_ = false;
};

} // namespace ostrel::dev
