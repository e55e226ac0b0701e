#include "platform/Settings.hpp"

#include "core/foundation/Logger.hpp"
#include "core/foundation/UserFolders.hpp"

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <openssl/evp.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel {

namespace fs = std::filesystem;

bool operator==(const SettingsValue& left, const SettingsValue& right) {
    return left.value == right.value;
}

namespace {

constexpr mode_t folderMode = 0700;
constexpr mode_t fileMode = 0600;

const Logger& logger() {
    static const Logger log("settings");
    return log;
}

[[noreturn]] void fail(SettingsError::Kind kind, const fs::path& path, const std::string& what, int error) {
    throw SettingsError(kind, path, "cannot " + what + " " + path.string() + ": " + std::strerror(error));
}

[[noreturn]] void failFile(const fs::path& path, const std::string& what, int error) {
    if (error == ELOOP) {
        throw SettingsError(SettingsError::Kind::symbolicLink, path,
                            path.string() + " is a symbolic link; settings are never reached through one");
    }
    fail(SettingsError::Kind::fileSystem, path, what, error);
}

[[noreturn]] void invalidJSON(const std::string& message) {
    throw SettingsError(SettingsError::Kind::invalidJSON, {}, message);
}

std::string encodeBase64(const std::vector<std::uint8_t>& bytes) {
    std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), bytes.data(),
                                        static_cast<int>(bytes.size()));
    text.resize(static_cast<std::size_t>(written));
    return text;
}

// Strict base64: the standard alphabet, padded to a multiple of four, "=" only at the end.
// (EVP_DecodeBlock alone would skip surrounding blanks and count padding as zero bytes.)
std::vector<std::uint8_t> decodeBase64(const std::string& text) {
    if (text.size() % 4 != 0) {
        invalidJSON("\"$data\" is not base64: its length is not a multiple of 4");
    }
    std::size_t padding = 0;
    for (std::size_t index = 0; index < text.size(); ++index) {
        const char c = text[index];
        const bool alphabet = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                              c == '+' || c == '/';
        if (c == '=' && index + 2 >= text.size()) {
            ++padding;
        } else if (!alphabet || padding != 0) {
            invalidJSON("\"$data\" is not base64");
        }
    }
    std::vector<std::uint8_t> bytes(text.size() / 4 * 3);
    const int decoded = EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(text.data()),
                                        static_cast<int>(text.size()));
    if (decoded < 0) {
        invalidJSON("\"$data\" is not base64");
    }
    bytes.resize(static_cast<std::size_t>(decoded) - padding);
    return bytes;
}

double finite(double number, const char* what) {
    if (!std::isfinite(number)) {
        throw SettingsError(SettingsError::Kind::invalidValue, {}, std::string(what) + " is not finite");
    }
    return number;
}

json::Value document(const SettingsDictionary& values) {
    json::Value object = json::Value::object();
    for (const auto& [key, value] : values) {
        object[key] = Settings::tagged(value);
    }
    return object;
}

// The file's text; throws SettingsError (invalidValue) for text that is not UTF-8.
std::string encodeDocument(const SettingsDictionary& values) {
    try {
        return json::encode(document(values)) + "\n";
    } catch (const json::EncodingError& error) {
        throw SettingsError(SettingsError::Kind::invalidValue, {}, std::string("cannot store: ") + error.what());
    }
}

} // namespace

json::Value Settings::tagged(const SettingsValue& value) {
    return std::visit(
        [](const auto& kind) -> json::Value {
            using T = std::decay_t<decltype(kind)>;
            if constexpr (std::is_same_v<T, std::string> || std::is_same_v<T, bool>) {
                return kind;
            } else if constexpr (std::is_same_v<T, double>) {
                return finite(kind, "a number");
            } else if constexpr (std::is_same_v<T, SettingsDate>) {
                return json::Value{{"$date", finite(kind.seconds, "a date")}};
            } else if constexpr (std::is_same_v<T, SettingsData>) {
                return json::Value{{"$data", encodeBase64(kind.bytes)}};
            } else if constexpr (std::is_same_v<T, SettingsArray>) {
                json::Value array = json::Value::array();
                for (const SettingsValue& element : kind) {
                    array.push_back(tagged(element));
                }
                return array;
            } else {
                json::Value object = json::Value::object();
                bool escaped = false;
                for (const auto& [key, element] : kind) {
                    escaped = escaped || (!key.empty() && key.front() == '$');
                    object[key] = tagged(element);
                }
                return escaped ? json::Value{{"$dictionary", std::move(object)}} : object;
            }
        },
        value.value);
}

SettingsValue Settings::untagged(const json::Value& value) {
    switch (value.type()) {
    case json::Value::value_t::string:
        return value.get<std::string>();
    case json::Value::value_t::boolean:
        return value.get<bool>();
    case json::Value::value_t::number_integer:
    case json::Value::value_t::number_unsigned:
    case json::Value::value_t::number_float:
        return value.get<double>();
    case json::Value::value_t::array: {
        SettingsArray array;
        array.reserve(value.size());
        for (const json::Value& element : value) {
            array.push_back(untagged(element));
        }
        return array;
    }
    case json::Value::value_t::object: {
        const json::Value* members = &value;
        if (value.size() == 1 && value.begin().key().starts_with("$")) {
            const std::string& tag = value.begin().key();
            const json::Value& inner = value.begin().value();
            if (tag == "$date") {
                if (!inner.is_number()) {
                    invalidJSON("\"$date\" expects a number");
                }
                return SettingsDate{inner.get<double>()};
            }
            if (tag == "$data") {
                if (!inner.is_string()) {
                    invalidJSON("\"$data\" expects a base64 string");
                }
                return SettingsData{decodeBase64(inner.get<std::string>())};
            }
            if (tag != "$dictionary" || !inner.is_object()) {
                invalidJSON("\"" + tag + "\" is not a tag (\"$date\", \"$data\" or \"$dictionary\" with an object)");
            }
            members = &inner;
        } else {
            for (const auto& [key, element] : value.items()) {
                if (key.starts_with("$")) {
                    invalidJSON("a dictionary with the key \"" + key + "\" must be written as {\"$dictionary\": ...}");
                }
            }
        }
        SettingsDictionary dictionary;
        for (const auto& [key, element] : members->items()) {
            dictionary.emplace(key, untagged(element));
        }
        return dictionary;
    }
    default:
        invalidJSON("a settings value is text, a Boolean, a number, an array, an object or a tagged form, not " +
                    std::string(value.type_name()));
    }
}

// ---- The file -------------------------------------------------------------------------------

Settings::Settings(InMemory) {}

Settings::~Settings() = default;

Settings::Settings(fs::path folder) : folder_(std::move(folder)) {
    std::error_code error;
    if (folder_.has_parent_path()) {
        fs::create_directories(folder_.parent_path(), error);
        if (error) {
            fail(SettingsError::Kind::fileSystem, folder_.parent_path(), "create the folder", error.value());
        }
    }
    if (::mkdir(folder_.c_str(), folderMode) != 0 && errno != EEXIST) {
        fail(SettingsError::Kind::fileSystem, folder_, "create the folder", errno);
    }
    directory_ = std::make_unique<FileDescriptor>(
        ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (directory_->get() < 0) {
        // A link to a folder fails O_NOFOLLOW with ENOTDIR when combined with O_DIRECTORY.
        const int code = errno;
        struct stat status {};
        if (::lstat(folder_.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
            failFile(folder_, "open the folder", ELOOP);
        }
        failFile(folder_, "open the folder", code);
    }
    if (::fchmod(directory_->get(), folderMode) != 0) {
        failFile(folder_, "set the permissions of", errno);
    }
    readFile();
}

void Settings::readFile() {
    const fs::path path = folder_ / fileName;
    const FileDescriptor file(::openat(directory_->get(), fileName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) {
        if (errno == ENOENT) {
            return;
        }
        failFile(path, "open", errno);
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) {
        failFile(path, "read", errno);
    }
    if (!S_ISREG(status.st_mode)) {
        throw SettingsError(SettingsError::Kind::fileSystem, path, path.string() + " is not a regular file");
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(file.get(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            failFile(path, "read", errno);
        }
        if (count == 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(count));
    }
    if (::fchmod(file.get(), fileMode) != 0) {
        failFile(path, "set the permissions of", errno);
    }
    try {
        const json::Value root = json::parse(text);
        if (!root.is_object()) {
            throw SettingsError(SettingsError::Kind::invalidJSON, path, "the file is not a JSON object");
        }
        SettingsDictionary values;
        for (const auto& [key, value] : root.items()) {
            values.emplace(key, untagged(value));
        }
        values_ = std::move(values);
    } catch (const json::DecodingError& error) {
        moveAside(error.what());
    } catch (const SettingsError& error) {
        moveAside(error.what());
    }
}

// Keeps the unreadable file for whoever wants to look at it; the values start empty.
void Settings::moveAside(const std::string& reason) {
    for (int number = 1;; ++number) {
        const std::string name = std::string(fileName) + ".corrupt-" + std::to_string(number);
        if (::renameat2(directory_->get(), fileName, directory_->get(), name.c_str(), RENAME_NOREPLACE) == 0) {
            // The reason may quote the file's text and the path names the user: both stay private.
            logger().error("settings.json in %s did not read (%s); moved it aside to %{public}s", folder_.string(),
                           reason, name);
            return;
        }
        if (errno != EEXIST) {
            failFile(folder_ / fileName, "move aside", errno);
        }
    }
}

// Writes a temporary file in the same folder, flushes it to the disk and renames it over the file,
// so a reader or a crash finds either the old file or the new one, never a part.
void Settings::writeFile(const SettingsDictionary& values) const {
    const std::string text = encodeDocument(values);
    if (!directory_) {
        return;
    }
    const fs::path path = folder_ / fileName;
    // Unique to this write, so that two objects over the same folder never share a temporary file.
    static std::atomic<std::uint64_t> writes{0};
    const std::string temporaryName = "." + std::string(fileName) + "." + std::to_string(::getpid()) + "-" +
                                      std::to_string(++writes) + ".tmp";
    const fs::path temporaryPath = folder_ / temporaryName;
    const int folder = directory_->get();
    bool written = false;
    try {
        const FileDescriptor file(::openat(folder, temporaryName.c_str(),
                                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, fileMode));
        if (file.get() < 0) {
            failFile(temporaryPath, "create", errno);
        }
        written = true;
        if (::fchmod(file.get(), fileMode) != 0) {
            failFile(temporaryPath, "set the permissions of", errno);
        }
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t count = ::write(file.get(), text.data() + done, text.size() - done);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count < 0) {
                failFile(temporaryPath, "write", errno);
            }
            done += static_cast<std::size_t>(count);
        }
        if (::fsync(file.get()) != 0) {
            failFile(temporaryPath, "flush", errno);
        }
        if (::renameat(folder, temporaryName.c_str(), folder, fileName) != 0) {
            failFile(path, "replace", errno);
        }
    } catch (...) {
        if (written) {
            ::unlinkat(folder, temporaryName.c_str(), 0);
        }
        throw;
    }
    // The rename is durable once the folder is; the new file is in place either way.
    ::fsync(folder);
}

void Settings::replace(SettingsDictionary values) {
    writeFile(values);
    values_ = std::move(values);
}

// ---- Values ---------------------------------------------------------------------------------

fs::path Settings::defaultFolder() {
    return defaultFolder(UserFolders::environment("XDG_CONFIG_HOME"), UserFolders::home());
}

fs::path Settings::defaultFolder(const std::optional<std::string>& xdgConfigHome,
                                 const std::optional<std::string>& home) {
    return UserFolders::base(xdgConfigHome, home, ".config") / "Ostrel";
}

std::optional<SettingsValue> Settings::get(std::string_view key) const {
    const std::lock_guard guard(lock_);
    const auto found = values_.find(key);
    if (found == values_.end()) {
        return std::nullopt;
    }
    return found->second;
}

namespace {

template <class T>
std::optional<T> typed(const std::optional<SettingsValue>& value) {
    if (value) {
        if (const T* found = value->as<T>()) {
            return *found;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> Settings::text(std::string_view key) const {
    return typed<std::string>(get(key));
}

std::optional<bool> Settings::boolean(std::string_view key) const {
    return typed<bool>(get(key));
}

std::optional<double> Settings::number(std::string_view key) const {
    return typed<double>(get(key));
}

std::optional<Date> Settings::date(std::string_view key) const {
    const auto found = typed<SettingsDate>(get(key));
    return found ? std::optional<Date>(found->seconds) : std::nullopt;
}

std::optional<std::vector<std::uint8_t>> Settings::data(std::string_view key) const {
    auto found = typed<SettingsData>(get(key));
    return found ? std::optional(std::move(found->bytes)) : std::nullopt;
}

void Settings::set(std::string_view key, SettingsValue value) {
    const std::lock_guard guard(lock_);
    SettingsDictionary values = values_;
    values.insert_or_assign(std::string(key), std::move(value));
    replace(std::move(values));
}

void Settings::remove(std::string_view key) {
    const std::lock_guard guard(lock_);
    const auto found = values_.find(key);
    if (found == values_.end()) {
        return;
    }
    SettingsDictionary values = values_;
    values.erase(std::string(key));
    replace(std::move(values));
}

std::vector<std::string> Settings::keys() const {
    const std::lock_guard guard(lock_);
    std::vector<std::string> result;
    result.reserve(values_.size());
    for (const auto& [key, value] : values_) {
        result.push_back(key);
    }
    return result;
}

json::Value Settings::snapshot() const {
    const std::lock_guard guard(lock_);
    return document(values_);
}

} // namespace ostrel
