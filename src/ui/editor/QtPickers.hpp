#pragma once

#include "app/ai/InstalledApps.hpp"
#include "app/editor/Pickers.hpp"
#include "platform/AppInfo.hpp"

#include <QPointer>
#include <QWidget>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ostrel::ui {

// The editor's pickers as Qt's modal open dialogs, their accept button reading "Choose".
//
// application() opens a dialog of desktop entries ("*.desktop") in the first system-wide
// applications folder that exists (the first of $XDG_DATA_DIRS, where installed apps put their
// entries; the user's own folder when none does) and answers with the chosen entry's
// desktop-file id when the installed-apps catalogue lists it (a hidden, NoDisplay or non-app
// entry, or a file outside every applications folder, is no app). file() lets only an existing
// file be chosen, never a folder.
//
// The rules from a chosen path to an answer are static, so they are tested without a dialog.
//
// Threading: the GUI thread only; each call blocks in the dialog's own event loop.
class QtPickers : public Pickers {
public:
    // parent (may be null) centres the dialogs; environment gives HOME and the XDG folders.
    explicit QtPickers(QWidget* parent = nullptr,
                       AppInfo::Environment environment = AppInfo::processEnvironment());

    std::optional<std::string> application() override;
    std::optional<std::string> file() override;

    static constexpr const char* acceptText = "Choose";

    // The folder the app dialog opens in: of folders in search order (the user's own first, as
    // InstalledApps::folders gives them), the first after the user's that exists, else the
    // user's when it exists; nothing when none does.
    static std::optional<std::filesystem::path>
    startFolder(const std::vector<std::filesystem::path>& folders);
    // The app a chosen desktop file means: its desktop-file id below the first of folders that
    // holds it, when apps lists that id; nothing otherwise.
    static std::optional<std::string> applicationID(const std::filesystem::path& chosen,
                                                    const std::vector<std::filesystem::path>& folders,
                                                    const std::vector<InstalledApps::App>& apps);

private:
    QPointer<QWidget> parent_;
    AppInfo::Environment environment_;
};

} // namespace ostrel::ui
