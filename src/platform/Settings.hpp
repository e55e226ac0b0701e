#pragma once

#include "core/foundation/Date.hpp"
#include "core/foundation/FileDescriptor.hpp"
#include "core/foundation/Json.hpp"
#include "platform/SettingsError.hpp"
#include "platform/SettingsValue.hpp"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

// The user's preferences: typed values under text keys, kept in "settings.json" in the
// application's configuration folder (SettingsKeys.hpp names the keys the application uses). The
// file is JSON whose values keep their types through tagged forms (tagged(), below), so a date
// never reads back as a number, nor bytes as text.
//
// Every operation may be called from any thread; one lock serialises them all. Every change replaces
// the whole file atomically before it becomes visible: a failure throws SettingsError and leaves
// both the file and the values as they were before the call. Values are read once, when the object
// is made; changes made to the file by another process afterwards are not seen.
class Settings {
public:
    static constexpr const char* fileName = "settings.json";

    // Values in memory only, for tests and the simulator: nothing is read or written.
    struct InMemory {};
    static constexpr InMemory inMemory{};

    // Opens the preferences in folder, creating it (0700) when needed; the file is 0600. Neither
    // is reached through a symbolic link. A file that does not parse as a JSON object of tagged
    // values is renamed aside to "settings.json.corrupt-N" (the first free N from 1, never
    // overwriting one), logged once under the category "settings", and the values start empty.
    // Throws SettingsError when the folder or file cannot be used.
    explicit Settings(std::filesystem::path folder);
    explicit Settings(InMemory);

    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;
    ~Settings();

    // "Ostrel" under the user's configuration folder: $XDG_CONFIG_HOME when it is an absolute path,
    // otherwise $HOME/.config.
    static std::filesystem::path defaultFolder();
    static std::filesystem::path defaultFolder(const std::optional<std::string>& xdgConfigHome,
                                               const std::optional<std::string>& home);

    // The folder; empty in memory.
    const std::filesystem::path& folder() const { return folder_; }

    std::optional<SettingsValue> get(std::string_view key) const;

    // The value under key when it has that type; nothing when missing or of another type.
    std::optional<std::string> text(std::string_view key) const;
    std::optional<bool> boolean(std::string_view key) const;
    std::optional<double> number(std::string_view key) const;
    std::optional<Date> date(std::string_view key) const;
    std::optional<std::vector<std::uint8_t>> data(std::string_view key) const;

    // Stores value under key. Throws SettingsError: invalidValue for text (keys included) that is
    // not UTF-8 or a number or date that is not finite, fileSystem when the file cannot be replaced.
    void set(std::string_view key, SettingsValue value);
    // Removes the value under key, if any; same failures as set().
    void remove(std::string_view key);

    // Every key, in byte order.
    std::vector<std::string> keys() const;

    // All values as one JSON object in the tagged form, as the file holds them.
    json::Value snapshot() const;

    // The tagged JSON form of one value: text, Booleans, numbers and arrays as themselves, a date
    // as {"$date": seconds}, bytes as {"$data": "<base64>"}, a dictionary as an object, or as
    // {"$dictionary": {...}} when one of its keys starts with "$". Throws SettingsError
    // (invalidValue) for a number or date that is not finite; text is checked for UTF-8 when the
    // value is encoded.
    static json::Value tagged(const SettingsValue& value);
    // The value of a tagged form. Throws SettingsError (invalidJSON) for null, an object with an
    // unknown "$" key or a tag with a malformed value (base64 included).
    static SettingsValue untagged(const json::Value& value);

private:
    void readFile();
    void writeFile(const SettingsDictionary& values) const;
    void replace(SettingsDictionary values);
    void moveAside(const std::string& reason);

    std::filesystem::path folder_;
    std::unique_ptr<FileDescriptor> directory_; // null in memory
    mutable std::mutex lock_;
    SettingsDictionary values_;
};

} // namespace ostrel
