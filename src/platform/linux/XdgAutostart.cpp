#include "platform/linux/XdgAutostart.hpp"

#include "core/foundation/FileDescriptor.hpp"
#include "platform/AtomicFile.hpp"
#include "core/foundation/UserFolders.hpp"
#include "core/foundation/Utf8.hpp"
#include "platform/OperationError.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel {

namespace fs = std::filesystem;

namespace {

constexpr mode_t folderMode = 0700;
constexpr mode_t entryMode = 0644;
// No entry of ours comes near this; a bigger file is not one to trust.
constexpr std::streamsize largestEntry = 64 * 1024;

constexpr std::string_view addFailure = "Couldn't add Ostrel to the apps that start at login: ";
constexpr std::string_view removeFailure = "Couldn't stop Ostrel from starting at login: ";

// strerror's text as the end of a sentence ("permission denied").
std::string reason(int error) {
    std::string text = std::strerror(error);
    if (!text.empty()) {
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    }
    return text;
}

[[noreturn]] void failAdd(const std::string& why) {
    throw OperationError(std::string(addFailure) + why + ".");
}

// Characters that make a shell-like reader split or interpret an argument; such an argument is
// written inside double quotes.
bool reserved(char c) {
    return std::string_view(" \t\n\"'\\><~|&;$*?#()`").find(c) != std::string_view::npos;
}

// Inside the double quotes these four still need a backslash.
bool escapedInQuotes(char c) {
    return c == '"' || c == '`' || c == '$' || c == '\\';
}

// The string-value escapes every key of a desktop file has, applied on top of the Exec quoting.
std::string escapeValue(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// The keys of the "Desktop Entry" group, or nothing when text is not a desktop file: that group
// must come first, and every other line is blank, a comment, a group header or KEY=VALUE.
std::optional<std::map<std::string, std::string, std::less<>>> desktopEntryKeys(std::string_view text) {
    std::map<std::string, std::string, std::less<>> keys;
    std::optional<std::string> group;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3) {
                return std::nullopt;
            }
            const bool first = !group;
            group = std::string(line.substr(1, line.size() - 2));
            if (first && *group != "Desktop Entry") {
                return std::nullopt;
            }
            continue;
        }
        const auto equals = line.find('=');
        if (!group || equals == std::string_view::npos || equals == 0) {
            return std::nullopt;
        }
        if (*group == "Desktop Entry") {
            keys.emplace(std::string(trim(line.substr(0, equals))), std::string(trim(line.substr(equals + 1))));
        }
    }
    if (!group) {
        return std::nullopt;
    }
    return keys;
}

std::optional<std::string> readEntry(const fs::path& path) {
    std::ifstream input(path, std::ios::binary);
    if (!input) {
        return std::nullopt;
    }
    std::string text(static_cast<std::size_t>(largestEntry) + 1, '\0');
    input.read(text.data(), largestEntry + 1);
    if (input.bad() || input.gcount() > largestEntry) {
        return std::nullopt;
    }
    text.resize(static_cast<std::size_t>(input.gcount()));
    return text;
}

// mkdir -p, each folder made here private to the user; folders already there keep their modes.
void makeFolder(const fs::path& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0) {
        if (!S_ISDIR(info.st_mode)) {
            failAdd(folder.string() + " isn't a folder");
        }
        return;
    }
    if (errno != ENOENT) {
        failAdd("can't reach " + folder.string() + " (" + reason(errno) + ")");
    }
    if (folder.has_parent_path() && folder.parent_path() != folder) {
        makeFolder(folder.parent_path());
    }
    if (::mkdir(folder.c_str(), folderMode) != 0 && errno != EEXIST) {
        failAdd("can't make the folder " + folder.string() + " (" + reason(errno) + ")");
    }
    // The umask may have taken bits away; 0700 is what it should be, no more.
    ::chmod(folder.c_str(), folderMode);
}

// Writes text to a temporary file beside path, flushes it and renames it over path, so the
// session finds the old entry or the new one, never a part. The temporary name does not end in
// ".desktop", so a session starting meanwhile does not take it for an entry.
void writeAtomically(const fs::path& path, const std::string& text) {
    try {
        writeFileAtomically(path, text, entryMode);
    } catch (const AtomicFileError& failure) {
        if (failure.step() == "write beside") {
            failAdd("can't write in " + path.parent_path().string() + " (" + reason(failure.error()) + ")");
        }
        failAdd("can't " + failure.step() + " " + path.string() + " (" + reason(failure.error()) + ")");
    }
}

} // namespace

XdgAutostart::Paths XdgAutostart::userPaths(const AppInfo::Environment& environment) {
    std::optional<std::string> home = environment("HOME");
    if (!home || home->empty()) {
        home = UserFolders::home();
    }
    Paths paths;
    paths.folder = UserFolders::base(environment("XDG_CONFIG_HOME"), home, ".config") / "autostart";
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    // A replaced or deleted program reads as "PATH (deleted)", a path that starts nothing.
    if (!error && executable.is_absolute() && fs::is_regular_file(executable, error)) {
        paths.executable = executable;
    }
    return paths;
}

XdgAutostart::XdgAutostart(fs::path folder, std::optional<fs::path> executable)
    : folder_(std::move(folder)), executable_(std::move(executable)),
      entryPath_(folder_ / (std::string(AppInfo::applicationID()) + ".desktop")) {}

LoginItemStatus XdgAutostart::status() const {
    if (!executable_) {
        return LoginItemStatus::notFound;
    }
    const auto text = readEntry(entryPath_);
    if (!text) {
        return LoginItemStatus::notRegistered;
    }
    const auto keys = desktopEntryKeys(*text);
    if (!keys) {
        return LoginItemStatus::notRegistered;
    }
    const auto value = [&](std::string_view key) {
        const auto found = keys->find(key);
        return found == keys->end() ? std::string_view() : std::string_view(found->second);
    };
    // Hidden=true is how a user (or a settings tool) turns an entry off; GNOME sessions also skip
    // an entry with X-GNOME-Autostart-enabled=false, so either reads as not starting at login.
    if (value("Hidden") == "true" || value("X-GNOME-Autostart-enabled") == "false") {
        return LoginItemStatus::notRegistered;
    }
    return LoginItemStatus::enabled;
}

void XdgAutostart::registerApp() {
    if (!executable_) {
        failAdd("its program file can't be found");
    }
    if (!isValidUtf8(executable_->string())) {
        failAdd("the path of its program file isn't valid text");
    }
    const std::string text = entryText(*executable_);
    makeFolder(folder_);
    writeAtomically(entryPath_, text);
}

void XdgAutostart::unregisterApp() {
    if (::unlink(entryPath_.c_str()) != 0 && errno != ENOENT) {
        throw OperationError(std::string(removeFailure) + "can't remove " + entryPath_.string() + " (" +
                             reason(errno) + ").");
    }
}

std::string XdgAutostart::execValue(const fs::path& executable) {
    const std::string& path = executable.native();
    const bool quoted = std::ranges::any_of(path, reserved);
    std::string argument;
    if (quoted) {
        argument += '"';
    }
    for (const char c : path) {
        if (c == '%') {
            argument += "%%";
            continue;
        }
        if (quoted && escapedInQuotes(c)) {
            argument += '\\';
        }
        argument += c;
    }
    if (quoted) {
        argument += '"';
    }
    return escapeValue(argument);
}

std::string XdgAutostart::entryText(const fs::path& executable) {
    const std::string id(AppInfo::applicationID());
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Ostrel\n"
           "Comment=Sets your computer up for each class\n"
           "Exec=" +
           execValue(executable) +
           "\n"
           "Icon=" +
           id +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

} // namespace ostrel
