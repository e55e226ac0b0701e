#include "app/shell/ScoreExportActions.hpp"

#include "app/shell/ScoreExportBuild.hpp"
#include "core/foundation/Logger.hpp"
#include "core/foundation/Url.hpp"
#include "platform/OperationError.hpp"
#include "platform/Settings.hpp"
#include "platform/SettingsKeys.hpp"
#include "platform/Workspace.hpp"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace ostrel {

namespace {

const Logger& logger() {
    static const Logger instance("scores");
    return instance;
}

std::system_error lastError(const std::string& what) {
    return std::system_error(errno, std::generic_category(), what);
}

// Closes the descriptor and removes the temporary file unless the rename took it.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::filesystem::path& target) {
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = target;
            path_ += ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
            descriptor_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (descriptor_ >= 0 || errno != EEXIST) {
                break;
            }
        }
        if (descriptor_ < 0) {
            throw lastError("cannot create a file beside " + target.string());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        close();
        if (!kept_) {
            ::unlink(path_.c_str());
        }
    }

    void write(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
            if (written < 0) {
                if (errno == EINTR) {
                    continue;
                }
                throw lastError("cannot write " + path_.string());
            }
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
        if (::fsync(descriptor_) != 0) {
            throw lastError("cannot write " + path_.string());
        }
        const int result = ::close(std::exchange(descriptor_, -1));
        if (result != 0) {
            throw lastError("cannot write " + path_.string());
        }
    }

    void renameTo(const std::filesystem::path& target) {
        if (::rename(path_.c_str(), target.c_str()) != 0) {
            throw lastError("cannot replace " + target.string());
        }
        kept_ = true;
    }

private:
    void close() {
        if (descriptor_ >= 0) {
            ::close(std::exchange(descriptor_, -1));
        }
    }

    std::filesystem::path path_;
    int descriptor_ = -1;
    bool kept_ = false;
};

} // namespace

ScoreExportActions::ScoreExportActions(Parts parts) : parts_(std::move(parts)) {}

ScoreExportActions::Opener ScoreExportActions::workspaceOpener(Workspace& workspace) {
    return [&workspace](const std::string& url) {
        try {
            workspace.openURL(url);
            return true;
        } catch (const OperationError& failure) {
            logger().error("mail not opened: {}", failure.what());
            return false;
        }
    };
}

bool ScoreExportActions::mark(const std::string& text) {
    if (ScoreExportBuild::isFailure(text)) {
        return false;
    }
    try {
        parts_.settings.set(settingsKeys::scoresSent, true);
        return true;
    } catch (const SettingsError& failure) {
        logger().error("scores not marked as sent: {}", failure.what());
        return false;
    }
}

bool ScoreExportActions::copy(const std::string& text) {
    parts_.clipboard.setText(text);
    return mark(text);
}

bool ScoreExportActions::save(const std::string& text) {
    const auto target = parts_.panel.chooseFile();
    if (!target) {
        return false;
    }
    try {
        writeFile(*target, text);
    } catch (const std::system_error& failure) {
        // Nothing reached the file, so nothing was sent: the user hears it and may try again.
        logger().error("scores not saved: {}", failure.what());
        if (parts_.beep) {
            parts_.beep();
        }
        return false;
    }
    return mark(text);
}

bool ScoreExportActions::email(const std::string& text, const std::optional<std::string>& recipient) {
    if (!recipient) {
        return false;
    }
    const auto url = mailURL(*recipient, text);
    if (!url || !parts_.open || !parts_.open(*url)) {
        return false;
    }
    return mark(text);
}

std::optional<std::string> ScoreExportActions::mailURL(std::string_view recipient, std::string_view text) {
    if (recipient.empty()) {
        return std::nullopt;
    }
    std::string url = "mailto:";
    url += percentEncode(recipient, "@");
    url += "?subject=";
    url += percentEncode(mailSubject);
    url += "&body=";
    url += percentEncode(text);
    return url;
}

void ScoreExportActions::writeFile(const std::filesystem::path& target, std::string_view text) {
    TemporaryFile file(target);
    file.write(text);
    file.renameTo(target);
}

} // namespace ostrel
