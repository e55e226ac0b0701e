#include "platform/linux/DesktopEntries.hpp"

#include "core/foundation/FileDescriptor.hpp"
#include "core/foundation/Utf8.hpp"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view suffix = ".desktop";
constexpr std::string_view mainGroup = "Desktop Entry";
// Real entries, translations and all, stay far below this; a bigger file is no entry to trust.
constexpr off_t largestEntry = 1024 * 1024;

// By hand: find_first_not_of with a set searches the set once per character, which showed in
// the scan's profile.
std::string_view trimmed(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && (text[first] == ' ' || text[first] == '\t')) {
        ++first;
    }
    while (last > first && (text[last - 1] == ' ' || text[last - 1] == '\t')) {
        --last;
    }
    return text.substr(first, last - first);
}

bool holdsBracket(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return c == '[' || c == ']'; });
}

// The string escapes of a value. A backslash before any other character, or at the end, stays as
// written: the rules leave it undefined, and keeping it loses nothing.
std::string unescaped(std::string_view value) {
    if (value.find('\\') == std::string_view::npos) {
        return std::string(value);
    }
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[i + 1]) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            out += '\\';
            out += value[i + 1];
            break;
        }
        ++i;
    }
    return out;
}

// "true" and "false"; the older "1" and "0" too. Anything else is not set.
bool boolean(std::string_view value) {
    return value == "true" || value == "1";
}

// The rank of a key's locale among the wanted ones (0 best), ignoring its encoding part:
// "de_DE.UTF-8@euro" counts as "de_DE@euro". wanted.size() when it is none of them.
std::size_t rankOf(std::string_view locale, const std::vector<std::string>& wanted) {
    std::string bare;
    if (const auto dot = locale.find('.'); dot != std::string_view::npos) {
        const auto at = locale.find('@', dot);
        bare = std::string(locale.substr(0, dot));
        if (at != std::string_view::npos) {
            bare += locale.substr(at);
        }
        locale = bare;
    }
    std::size_t rank = 0;
    while (rank < wanted.size() && wanted[rank] != locale) {
        ++rank;
    }
    return rank;
}

// The Name[...] keys to try for a locale, most specific first. ICU ids ("de_DE", "sr_Latn_RS",
// "de-DE", "de_DE@calendar=gregorian") read as lang, country (the last part) and no modifier,
// since ICU keywords are not POSIX modifiers.
std::vector<std::string> candidates(std::string_view locale) {
    std::string_view modifier;
    if (const auto at = locale.find('@'); at != std::string_view::npos) {
        modifier = locale.substr(at + 1);
        locale = locale.substr(0, at);
        if (modifier.find('=') != std::string_view::npos) {
            modifier = {};
        }
    }
    if (const auto dot = locale.find('.'); dot != std::string_view::npos) {
        locale = locale.substr(0, dot);
    }
    const auto firstSeparator = locale.find_first_of("_-");
    const std::string_view lang = locale.substr(0, firstSeparator);
    std::string_view country;
    if (firstSeparator != std::string_view::npos) {
        country = locale.substr(locale.find_last_of("_-") + 1);
    }
    std::vector<std::string> keys;
    if (lang.empty() || lang == "C" || lang == "POSIX") {
        return keys;
    }
    const std::string at = modifier.empty() ? std::string() : "@" + std::string(modifier);
    if (!country.empty() && !at.empty()) {
        keys.push_back(std::string(lang) + "_" + std::string(country) + at);
    }
    if (!country.empty()) {
        keys.push_back(std::string(lang) + "_" + std::string(country));
    }
    if (!at.empty()) {
        keys.push_back(std::string(lang) + at);
    }
    keys.push_back(std::string(lang));
    return keys;
}

// The whole file, read into buffer (which only ever grows, so a scan allocates once), or nothing
// when it is not a regular file of a sane size or cannot be read. Opened without blocking, so a
// pipe that happens to carry the suffix cannot hold the scan.
std::optional<std::string_view> readEntry(int folder, const char* name, std::string& buffer) {
    const FileDescriptor file(::openat(folder, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.get() < 0) {
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > largestEntry) {
        return std::nullopt;
    }
    const auto size = static_cast<std::size_t>(info.st_size);
    if (buffer.size() < size) {
        buffer.resize(size);
    }
    std::size_t filled = 0;
    // A file that grows while it is read is taken up to the size it had.
    while (filled < size) {
        const ssize_t got = ::read(file.get(), buffer.data() + filled, size - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    return std::string_view(buffer.data(), filled);
}

// parse, with the locale's Name keys worked out once for the whole scan.
std::optional<DesktopEntry> parseFor(std::string_view text, const std::vector<std::string>& locales) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    DesktopEntry entry;
    std::size_t bestRank = locales.size();
    bool inMain = false;
    bool seenGroup = false;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        line = trimmed(line);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3) {
                return std::nullopt;
            }
            const std::string_view group = line.substr(1, line.size() - 2);
            if (holdsBracket(group)) {
                return std::nullopt;
            }
            if (!seenGroup && group != mainGroup) {
                return std::nullopt;
            }
            if (seenGroup && group == mainGroup) {
                return std::nullopt;
            }
            inMain = !seenGroup;
            seenGroup = true;
            continue;
        }
        if (!seenGroup) {
            return std::nullopt;
        }
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view key = trimmed(line.substr(0, equals));
        const std::string_view value = trimmed(line.substr(equals + 1));
        const auto bracket = key.find('[');
        const std::string_view base = key.substr(0, bracket);
        if (base.empty() || base.find(']') != std::string_view::npos) {
            return std::nullopt;
        }
        std::string_view locale;
        if (bracket != std::string_view::npos) {
            locale = key.substr(bracket + 1);
            if (!locale.ends_with(']') || locale.size() < 2 ||
                holdsBracket(locale.substr(0, locale.size() - 1))) {
                return std::nullopt;
            }
            locale.remove_suffix(1);
        }
        if (!inMain) {
            continue;
        }
        // Only the values kept are checked for UTF-8, as the common readers check a value when it
        // is read: a stray byte in some other key's translation loses no app.
        const auto keep = [&](std::string& field, bool escapes) {
            if (!isValidUtf8(value)) {
                return false;
            }
            field = escapes ? unescaped(value) : std::string(value);
            return true;
        };
        bool valid = true;
        if (!locale.empty()) {
            if (base == "Name" && !value.empty()) {
                if (const std::size_t rank = rankOf(locale, locales); rank < bestRank) {
                    bestRank = rank;
                    valid = keep(entry.localizedName, true);
                }
            }
        } else if (base == "Type") { // a key written twice keeps its last value, as the common readers do
            valid = keep(entry.type, true);
        } else if (base == "Name") {
            valid = keep(entry.name, true);
        } else if (base == "Exec") {
            valid = keep(entry.exec, true);
        } else if (base == "TryExec") {
            valid = keep(entry.tryExec, true);
        } else if (base == "Icon") {
            valid = keep(entry.icon, true);
        } else if (base == "StartupWMClass") {
            valid = keep(entry.startupWMClass, true);
        } else if (base == "OnlyShowIn") {
            valid = keep(entry.onlyShowIn, false);
        } else if (base == "NotShowIn") {
            valid = keep(entry.notShowIn, false);
        } else if (base == "NoDisplay") {
            entry.noDisplay = boolean(value);
        } else if (base == "Hidden") {
            entry.hidden = boolean(value);
        }
        if (!valid) {
            return std::nullopt;
        }
    }
    if (!seenGroup) {
        return std::nullopt;
    }
    return entry;
}

struct CloseListing {
    void operator()(DIR* listing) const { ::closedir(listing); }
};
using Listing = std::unique_ptr<DIR, CloseListing>;

class Scanner {
public:
    Scanner(std::vector<DesktopEntry>& entries, std::unordered_map<std::string, std::size_t>& byID,
            std::vector<std::string> locales)
        : entries_(entries), byID_(byID), locales_(std::move(locales)) {}

    void folder(const fs::path& root) {
        visited_.clear();
        const int fd = ::open(root.c_str(), O_RDONLY | O_CLOEXEC | O_DIRECTORY);
        if (fd >= 0) {
            walk(fd, root, "");
        }
    }

private:
    // Takes fd over. prefix is the id's start for this folder's files ("kde4-").
    void walk(int fd, const fs::path& folder, const std::string& prefix) {
        const Listing listing(::fdopendir(fd));
        if (!listing) {
            ::close(fd);
            return;
        }
        struct stat info {};
        if (::fstat(fd, &info) != 0 || !visited_.insert({info.st_dev, info.st_ino}).second) {
            return; // a link back to a folder already walked
        }
        struct Name {
            std::string text;
            unsigned char type;
        };
        std::vector<Name> names;
        while (const dirent* entry = ::readdir(listing.get())) {
            const std::string_view name = entry->d_name;
            if (name != "." && name != "..") {
                names.push_back({std::string(name), entry->d_type});
            }
        }
        std::sort(names.begin(), names.end(), [](const Name& a, const Name& b) { return a.text < b.text; });
        const int dir = ::dirfd(listing.get());
        for (const Name& name : names) {
            const bool link = name.type == DT_LNK || name.type == DT_UNKNOWN;
            if (name.type == DT_DIR || link) {
                const int sub = ::openat(dir, name.text.c_str(), O_RDONLY | O_CLOEXEC | O_DIRECTORY);
                if (sub >= 0) {
                    walk(sub, folder / name.text, prefix + name.text + "-");
                    continue;
                }
            }
            if (name.text.size() <= suffix.size() || !name.text.ends_with(suffix)) {
                continue;
            }
            std::string id = prefix + name.text.substr(0, name.text.size() - suffix.size());
            if (byID_.contains(id)) {
                continue;
            }
            const auto text = readEntry(dir, name.text.c_str(), buffer_);
            if (!text) {
                continue;
            }
            auto entry = parseFor(*text, locales_);
            if (!entry) {
                continue;
            }
            entry->id = std::move(id);
            entry->path = folder / name.text;
            byID_.emplace(entry->id, entries_.size());
            entries_.push_back(std::move(*entry));
        }
    }

    std::vector<DesktopEntry>& entries_;
    std::unordered_map<std::string, std::size_t>& byID_;
    std::vector<std::string> locales_;
    std::set<std::pair<dev_t, ino_t>> visited_;
    std::string buffer_;
};

} // namespace

std::optional<DesktopEntry> DesktopEntries::parse(std::string_view text, std::string_view locale) {
    return parseFor(text, candidates(locale));
}

std::optional<std::string> DesktopEntries::fileID(const fs::path& relative) {
    const std::string name = relative.filename().string();
    if (name.size() <= suffix.size() || !name.ends_with(suffix)) {
        return std::nullopt;
    }
    std::string id;
    for (const fs::path& part : relative.parent_path()) {
        const std::string text = part.string();
        if (text.empty() || text == "." || text == "/") {
            continue;
        }
        id += text;
        id += '-';
    }
    id += name.substr(0, name.size() - suffix.size());
    return id;
}

DesktopEntries DesktopEntries::scan(const std::vector<fs::path>& folders, std::string_view locale) {
    DesktopEntries index;
    Scanner scanner(index.entries_, index.byID_, candidates(locale));
    for (const fs::path& folder : folders) {
        scanner.folder(folder);
    }
    return index;
}

const DesktopEntry* DesktopEntries::find(std::string_view id) const {
    const auto found = byID_.find(std::string(id));
    return found == byID_.end() ? nullptr : &entries_[found->second];
}

} // namespace ostrel
