#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace ostrel {

// One desktop entry as its "[Desktop Entry]" group has it. Values of string keys have their
// escapes (\s \n \t \r \\) resolved; list keys are kept as written, their "\;" and ";" intact.
struct DesktopEntry {
    std::string id;              // the desktop-file id: "org.gnome.Calculator", "kde4-kate"
    std::filesystem::path path;  // the file it was read from
    std::string type;            // "Application", "Link", "Directory", or whatever was written
    std::string name;            // the untranslated Name; empty when the entry has none
    // The Name[...] that suits the locale the entry was read for, the first of
    // Name[lang_COUNTRY@MODIFIER], Name[lang_COUNTRY], Name[lang@MODIFIER], Name[lang] present and
    // not empty (a key's encoding part, ".UTF-8", is ignored); empty when there is none.
    std::string localizedName;
    std::string exec;
    std::string tryExec;
    std::string icon;
    std::string startupWMClass;
    std::string onlyShowIn; // as written
    std::string notShowIn;  // as written
    bool noDisplay = false;
    bool hidden = false;

    // The name to show: the localized one, else the plain Name.
    const std::string& shownName() const { return localizedName.empty() ? name : localizedName; }

    friend bool operator==(const DesktopEntry&, const DesktopEntry&) = default;
};

// The desktop entries in a list of applications folders, by the freedesktop Desktop Entry rules:
// every file whose name ends in ".desktop" (case-sensitive) in a folder or its subfolders, its id
// the path below the folder with '/' turned into '-' and the suffix dropped, the first folder's
// file winning for an id. Keeps what a window back end needs to tell which entry a window or
// process belongs to (Exec, TryExec, Icon, StartupWMClass) without doing that matching, and keeps
// Hidden and NoDisplay entries: a Hidden entry in an early folder is how a user removes a later
// folder's entry. It does not filter by desktop (OnlyShowIn, NotShowIn), run TryExec or watch the
// folders: a scan is a snapshot.
//
// A scan never throws: a folder that is missing or cannot be read adds nothing, and a file that
// cannot be read or is not a well-formed desktop file is passed over as if it were not there, so
// a later folder's file of the same id counts.
//
// Threading: a scan reads the file system on the caller's thread; the index is a value.
class DesktopEntries {
public:
    DesktopEntries() = default;

    // locale is POSIX ("de_DE.UTF-8@euro") or ICU ("de_DE", "de-DE"; ICU keywords after '@' are
    // no modifier); "C", "POSIX" or "" take no translation. Only the translation that suits it is
    // kept: the others would cost a scan more than the reading of the files.
    static DesktopEntries scan(const std::vector<std::filesystem::path>& folders, std::string_view locale);

    // One file's text, or nothing when it is not a well-formed desktop file: a value it keeps that
    // is not UTF-8 (other lines' bytes are not checked, as the common readers check a value only
    // when it is read), no "[Desktop Entry]" as the first group (comments and blank lines may
    // come before it), that group twice, or a line that is neither blank, a comment ('#'), a
    // group header nor KEY=VALUE with an optional [LOCALE] after the key. Keys are taken more loosely than the rules' letters,
    // digits and '-', as the common readers take them, so that an odd vendor key does not lose an
    // app. id and path are left empty.
    static std::optional<DesktopEntry> parse(std::string_view text, std::string_view locale);

    // The desktop-file id of the file at relative (below its applications folder), or nothing
    // when the name does not end in ".desktop" or nothing comes before it.
    static std::optional<std::string> fileID(const std::filesystem::path& relative);

    // Every entry, in scan order: folder by folder, each folder's names in byte order with a
    // subfolder's entries where its name sorts.
    const std::vector<DesktopEntry>& entries() const { return entries_; }

    const DesktopEntry* find(std::string_view id) const;

private:
    std::vector<DesktopEntry> entries_;
    std::unordered_map<std::string, std::size_t> byID_;
};

} // namespace ostrel
