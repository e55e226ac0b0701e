#include "ui/editor/ItemPill.hpp"

#include "app/editor/OpenNow.hpp"
#include "app/editor/OpensEdits.hpp"
#include "app/editor/RoutineDraft.hpp"
#include "app/home/ItemDisplay.hpp"
#include "platform/Platform.hpp"
#include "ui/editor/EditorContext.hpp"
#include "ui/theme/Icons.hpp"
#include "ui/theme/ItemIcon.hpp"
#include "ui/theme/Pill.hpp"
#include "ui/theme/Sky.hpp"

#include <QMenu>
#include <QPainter>

namespace ostrel::ui {

namespace {

constexpr int symbolSide = 14;
constexpr int spacing = 4;

const std::string* appOf(const Item& item) {
    const auto* app = std::get_if<Item::App>(&item.value());
    return app != nullptr ? &app->bundleID : nullptr;
}

} // namespace

ItemPill::ItemPill(RoutineDraft& draft, Item item, const EditorContext& context, QWidget* parent)
    : QAbstractButton(parent), draft_(draft), item_(std::move(item)), context_(context) {
    pill_ = new Pill(ItemIcon::icon(item_, context.platform.workspace),
                     QString::fromStdString(ItemDisplay::name(item_, context.platform.workspace)), this);
    pill_->setAttribute(Qt::WA_TransparentForMouseEvents);
    pill_->move(0, 0);
    if (const std::string* app = appOf(item_)) {
        const auto found = draft.edits().layout.find(*app);
        if (found != draft.edits().layout.end()) {
            symbol_ = QString::fromLatin1(OpensEdits::symbol(found->second).data(),
                                          static_cast<qsizetype>(OpensEdits::symbol(found->second).size()));
        }
    }
    menu_ = new QMenu(this);
    setAccessibleName(pill_->text());
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    resize(sizeHint());
    connect(this, &QAbstractButton::clicked, this, [this] {
        QMenu* menu = buildMenu();
        menu->popup(mapToGlobal(QPoint(0, height() + 2)));
    });
}

QSize ItemPill::sizeHint() const {
    QSize size = pill_->sizeHint();
    if (!symbol_.isEmpty()) {
        size.rwidth() += spacing + symbolSide;
    }
    return size;
}

QMenu* ItemPill::buildMenu() {
    menu_->clear();
    if (const std::string* app = appOf(item_)) {
        const std::string bundleID = *app;
        const auto& layout = draft_.edits().layout;
        const auto current = layout.find(bundleID);
        for (const OpensEdits::PlacementChoice& choice : OpensEdits::placementChoices()) {
            QAction* action = menu_->addAction(QString::fromStdString(choice.title));
            action->setCheckable(true);
            action->setChecked(choice.placement ? current != layout.end() && current->second == *choice.placement
                                                : current == layout.end());
            const auto placement = choice.placement;
            connect(action, &QAction::triggered, this,
                    [this, bundleID, placement] { OpensEdits::setPlacement(draft_, bundleID, placement); });
        }
        QAction* now = menu_->addAction("Where it is now");
        connect(now, &QAction::triggered, this, [this, bundleID] {
            const auto placement =
                OpenNow::placement(bundleID, context_.platform.workspace, context_.platform.accessibility);
            if (!placement) {
                context_.beep();
                return;
            }
            OpensEdits::setPlacement(draft_, bundleID, placement);
        });
        menu_->addSeparator();
    }
    QAction* remove = menu_->addAction("Don't open it");
    const Item item = item_;
    connect(remove, &QAction::triggered, this, [this, item] { draft_.remove(item); });
    return menu_;
}

void ItemPill::paintEvent(QPaintEvent*) {
    if (symbol_.isEmpty()) {
        return;
    }
    QPainter painter(this);
    const QRect pill = pill_->geometry();
    const QRect at(pill.right() + 1 + spacing, (height() - symbolSide) / 2, symbolSide, symbolSide);
    painter.drawImage(at, Icons::image(symbol_, at.size(), Sky::button(), devicePixelRatioF()));
}

} // namespace ostrel::ui
