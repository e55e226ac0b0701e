#include "ui/editor/QtPickers.hpp"

#include "platform/linux/DesktopEntries.hpp"

#include <QFile>
#include <QFileDialog>
#include <algorithm>
#include <system_error>

namespace ostrel::ui {
namespace {

namespace fs = std::filesystem;

// The path with symbolic links resolved as far as it exists, so a folder reached through a link
// (/usr/share being a link on some systems) still holds its files.
fs::path resolved(const fs::path& path) {
    std::error_code error;
    fs::path result = fs::weakly_canonical(path, error);
    return error ? path.lexically_normal() : result;
}

std::optional<fs::path> chosenPath(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return std::nullopt;
    return fs::path(QFile::encodeName(files.front()).toStdString());
}

void prepare(QFileDialog& dialog) {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setLabelText(QFileDialog::Accept, QtPickers::acceptText);
}

} // namespace

QtPickers::QtPickers(QWidget* parent, AppInfo::Environment environment)
    : parent_(parent), environment_(std::move(environment)) {}

std::optional<fs::path> QtPickers::startFolder(const std::vector<fs::path>& folders) {
    const auto exists = [](const fs::path& folder) {
        std::error_code error;
        return fs::is_directory(folder, error);
    };
    if (folders.size() > 1) {
        const auto system = std::find_if(folders.begin() + 1, folders.end(), exists);
        if (system != folders.end())
            return *system;
    }
    if (!folders.empty() && exists(folders.front()))
        return folders.front();
    return std::nullopt;
}

std::optional<std::string> QtPickers::applicationID(const fs::path& chosen,
                                                    const std::vector<fs::path>& folders,
                                                    const std::vector<InstalledApps::App>& apps) {
    const fs::path file = resolved(chosen);
    for (const fs::path& folder : folders) {
        const fs::path relative = file.lexically_relative(resolved(folder));
        if (relative.empty() || *relative.begin() == "..")
            continue;
        const std::optional<std::string> id = DesktopEntries::fileID(relative);
        if (!id)
            return std::nullopt;
        const bool known =
            std::any_of(apps.begin(), apps.end(), [&](const auto& app) { return app.bundleID == *id; });
        return known ? id : std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::string> QtPickers::application() {
    const std::vector<fs::path> folders = InstalledApps::folders(environment_);
    QFileDialog dialog(parent_);
    prepare(dialog);
    dialog.setNameFilter("Applications (*.desktop)");
    if (const auto start = startFolder(folders))
        dialog.setDirectory(QFile::decodeName(QByteArray::fromStdString(start->string())));
    const std::optional<fs::path> chosen = chosenPath(dialog);
    if (!chosen)
        return std::nullopt;
    return applicationID(*chosen, folders, InstalledApps::all(folders, ""));
}

std::optional<std::string> QtPickers::file() {
    QFileDialog dialog(parent_);
    prepare(dialog);
    const std::optional<fs::path> chosen = chosenPath(dialog);
    if (!chosen)
        return std::nullopt;
    return chosen->string();
}

} // namespace ostrel::ui
