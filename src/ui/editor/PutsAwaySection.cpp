#include "ui/editor/PutsAwaySection.hpp"

#include "app/editor/AlsoEdits.hpp"
#include "app/editor/Connected.hpp"
#include "app/editor/Pickers.hpp"
#include "app/editor/RoutineDraft.hpp"
#include "app/home/ItemDisplay.hpp"
#include "platform/Platform.hpp"
#include "ui/editor/AddMenu.hpp"
#include "ui/editor/Chip.hpp"
#include "ui/editor/EditorContext.hpp"
#include "ui/editor/SectionTitle.hpp"
#include "ui/theme/FlowRow.hpp"
#include "ui/theme/ItemIcon.hpp"

#include <QMenu>
#include <QVBoxLayout>

namespace ostrel::ui {

namespace {

QString appName(const std::string& bundleID, const Workspace& workspace) {
    const auto item = Item::app(bundleID);
    return QString::fromStdString(item ? ItemDisplay::name(*item, workspace) : bundleID);
}

QImage appIcon(const std::string& bundleID, const Workspace& workspace) {
    const auto item = Item::app(bundleID);
    return item ? ItemIcon::icon(*item, workspace) : QImage();
}

} // namespace

PutsAwaySection::PutsAwaySection(RoutineDraft& draft, const EditorContext& context, QWidget* parent)
    : QWidget(parent), draft_(draft), context_(context) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    column->addWidget(new SectionTitle("Puts away", "Hides these so they're out of sight. Nothing is quit.", this));
    chipBox_ = new QWidget(this);
    flow_ = new FlowRow(7, chipBox_);
    addMenu_ = new AddMenu("Add", chipBox_);
    addMenu_->setMenuBuilder([this](QMenu& menu) { fillMenu(menu); });
    column->addWidget(chipBox_);
    watching_ = draft.observe([this](RoutineDraft::Property) { refresh(); });
    refresh();
}

void PutsAwaySection::refresh() {
    const std::vector<std::string>& putAway = draft_.edits().putAway;
    if (shown_ && *shown_ == putAway) {
        return;
    }
    shown_ = putAway;
    flow_->clear({addMenu_});
    chips_.clear();
    const Workspace& workspace = context_.platform.workspace;
    for (const std::string& bundleID : putAway) {
        auto* chip = new Chip(appName(bundleID, workspace), QString(), appIcon(bundleID, workspace),
                              [this, bundleID] { AlsoEdits::keepOut(draft_, bundleID); }, {}, chipBox_);
        chips_.push_back(chip);
        flow_->addWidget(chip);
        chip->show();
    }
    flow_->addWidget(addMenu_);
    chipBox_->updateGeometry();
}

void PutsAwaySection::fillMenu(QMenu& menu) {
    const Workspace& workspace = context_.platform.workspace;
    for (const std::string& bundleID : AlsoEdits::putAwayOffers(draft_, Connected::runningApps(workspace))) {
        menu.addAction(appName(bundleID, workspace), this, [this, bundleID] { AlsoEdits::putAway(draft_, bundleID); });
    }
    menu.addSeparator();
    menu.addAction("Another app\u2026", this, [this] {
        if (const auto appID = context_.pickers.application()) {
            AlsoEdits::putAway(draft_, *appID);
        }
    });
}

} // namespace ostrel::ui
