#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ostrel {

class Settings;
class Workspace;

// Where Copy puts the export: the desktop's clipboard, or a fake in tests.
class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Replaces whatever the clipboard holds with text as plain text.
    virtual void setText(const std::string& text) = 0;
};

// The modal dialog in which Save… asks where the export goes. It proposes proposedName and allows
// JSON files only.
class SavePanel {
public:
    static constexpr const char* proposedName = "Ostrel scores.json";

    virtual ~SavePanel() = default;
    // The file the user chose; nothing when they cancelled.
    virtual std::optional<std::filesystem::path> chooseFile() = 0;
};

// The three ways the score export leaves the machine, only when the user chooses one: Copy, Save…
// and Email my scores. Each that succeeds with the export marks the scores as sent ("scoresSent"),
// which ends the reminders. A failure sentence shown in place of the export is copied, saved or
// mailed like the export, but never marks anything: nothing was sent that could be scored.
//
// Threading: main executor.
class ScoreExportActions {
public:
    // Opens a URL with the desktop's handler of its scheme; says whether it did.
    using Opener = std::function<bool(const std::string& url)>;
    // The desktop's alert sound.
    using Beep = std::function<void()>;

    static constexpr const char* mailSubject = "My Ostrel scores";

    // Every reference must outlive the actions.
    struct Parts {
        Settings& settings;
        Clipboard& clipboard;
        SavePanel& panel;
        Opener open;
        Beep beep;
    };

    explicit ScoreExportActions(Parts parts);

    // An opener over the workspace's openURL: true unless it refuses (OperationError).
    static Opener workspaceOpener(Workspace& workspace);

    // Puts text on the clipboard. Returns whether the scores were marked as sent.
    bool copy(const std::string& text);
    // Asks the panel for a file and writes text there. A cancel does nothing; a failed write beeps.
    // Returns whether the scores were marked as sent (only after a complete write).
    bool save(const std::string& text);
    // Opens the mail URL of text to recipient; nothing without a recipient. Returns whether the
    // scores were marked as sent (only when the opener opened the URL).
    bool email(const std::string& text, const std::optional<std::string>& recipient);

    // "mailto:" + the recipient, then the query "subject" = mailSubject and "body" = text, every
    // byte but ALPHA DIGIT "-" "." "_" "~" percent-encoded ("@" is kept in the address). Nothing
    // for an empty recipient.
    static std::optional<std::string> mailURL(std::string_view recipient, std::string_view text);
    // Writes text to a new file beside target, then renames it over target, so that a failure
    // never leaves part of the text at target. Throws std::system_error.
    static void writeFile(const std::filesystem::path& target, std::string_view text);

private:
    bool mark(const std::string& text);

    Parts parts_;
};

} // namespace ostrel
