#include "ui/editor/OpensSection.hpp"

#include "app/editor/OpenNow.hpp"
#include "app/editor/OpensEdits.hpp"
#include "app/editor/Pickers.hpp"
#include "app/editor/RoutineDraft.hpp"
#include "app/home/ItemDisplay.hpp"
#include "platform/Platform.hpp"
#include "ui/editor/AddMenu.hpp"
#include "ui/editor/EditorContext.hpp"
#include "ui/editor/EditorStyle.hpp"
#include "ui/editor/ItemPill.hpp"
#include "ui/editor/SectionTitle.hpp"
#include "ui/theme/FlowRow.hpp"
#include "ui/theme/Fonts.hpp"
#include "ui/theme/ItemIcon.hpp"
#include "ui/theme/Pill.hpp"
#include "ui/theme/PlainLabel.hpp"
#include "ui/theme/Sky.hpp"
#include "ui/theme/SunButton.hpp"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QVBoxLayout>

namespace ostrel::ui {

namespace {

// A learned item taken out, as a faded pill that brings it back.
class RemovedButton : public QAbstractButton {
public:
    RemovedButton(Pill* pill, QWidget* parent) : QAbstractButton(parent), pill_(pill) {
        pill->setParent(this);
        pill->setAttribute(Qt::WA_TransparentForMouseEvents);
        auto* faded = new QGraphicsOpacityEffect(pill);
        faded->setOpacity(0.55);
        pill->setGraphicsEffect(faded);
        setToolTip("Open it again");
        setAccessibleName(pill->text());
        setCursor(Qt::PointingHandCursor);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        resize(sizeHint());
    }
    QSize sizeHint() const override { return pill_->sizeHint(); }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override {}

private:
    Pill* pill_;
};

} // namespace

OpensSection::OpensSection(RoutineDraft& draft, const EditorContext& context, QWidget* parent)
    : QWidget(parent), draft_(draft), context_(context) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    column->addWidget(new SectionTitle("Opens", "Click an app to choose where its window goes.", this));

    pillBox_ = new QWidget(this);
    pillFlow_ = new FlowRow(7, pillBox_);
    addMenu_ = new AddMenu("Add", pillBox_);
    addMenu_->setMenuBuilder([this](QMenu& menu) { fillMenu(menu); });
    column->addWidget(pillBox_);

    pageRow_ = new QWidget(this);
    auto* pageLayout = new QHBoxLayout(pageRow_);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->setSpacing(8);
    pageField_ = new QLineEdit(pageRow_);
    pageField_->setPlaceholderText("canvas.university.edu/courses/math-221");
    styleTextField(pageField_);
    pageField_->installEventFilter(this);
    pageAdd_ = new SunButton("Add", true, pageRow_);
    connect(pageAdd_, &QAbstractButton::clicked, this, &OpensSection::addPage);
    pageLayout->addWidget(pageField_, 1);
    pageLayout->addWidget(pageAdd_);
    pageRow_->hide();
    column->addWidget(pageRow_);

    removedBox_ = new QWidget(this);
    removedFlow_ = new FlowRow(7, removedBox_);
    column->addWidget(removedBox_);

    accessibilityLine_ = plainLabel(Fonts::font(12, Fonts::Weight::regular), Sky::inkSoft(), this);
    accessibilityLine_->setText("Placing windows needs Accessibility. Turn it on in Set up Ostrel.");
    accessibilityLine_->setWordWrap(true);
    column->addWidget(accessibilityLine_);

    watching_ = draft.observe([this](RoutineDraft::Property) { refresh(); });
    refresh();
}

bool OpensSection::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pageField_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            addPage();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void OpensSection::startPage() {
    pageRow_->show();
    pageField_->setFocus();
}

void OpensSection::addPage() {
    switch (OpensEdits::addPage(draft_, pageField_->text().toStdString())) {
    case OpensEdits::PageOutcome::added:
        pageField_->clear();
        pageRow_->hide();
        break;
    case OpensEdits::PageOutcome::refused:
        context_.beep();
        break;
    case OpensEdits::PageOutcome::ignored:
        break;
    }
}

void OpensSection::refresh() {
    const std::vector<Item> items = draft_.items();
    const std::vector<Item> removed = draft_.removedItems();
    const RoutineEdits::Layout& layout = draft_.edits().layout;
    if (!shownItems_ || *shownItems_ != items || shownRemoved_ != removed || shownLayout_ != layout) {
        shownItems_ = items;
        shownRemoved_ = removed;
        shownLayout_ = layout;
        rebuild();
    }
    accessibilityLine_->setVisible(!layout.empty() && !context_.platform.accessibility.isTrusted());
}

void OpensSection::rebuild() {
    pillFlow_->clear({addMenu_});
    pills_.clear();
    for (const Item& item : *shownItems_) {
        auto* pill = new ItemPill(draft_, item, context_, pillBox_);
        pills_.push_back(pill);
        pillFlow_->addWidget(pill);
        pill->show();
    }
    pillFlow_->addWidget(addMenu_);

    removedFlow_->clear();
    removedButtons_.clear();
    if (!shownRemoved_.empty()) {
        QLabel* label = plainLabel(Fonts::font(12, Fonts::Weight::regular), Sky::inkSoft(), removedBox_);
        label->setText("Not opened:");
        label->setFixedHeight(label->sizeHint().height() + 10);
        label->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
        removedFlow_->addWidget(label);
        label->show();
        for (const Item& item : shownRemoved_) {
            auto* pill = new Pill(ItemIcon::icon(item, context_.platform.workspace),
                                  QString::fromStdString(ItemDisplay::name(item, context_.platform.workspace)));
            auto* button = new RemovedButton(pill, removedBox_);
            connect(button, &QAbstractButton::clicked, this, [this, item] { draft_.add(item); });
            removedButtons_.push_back(button);
            removedFlow_->addWidget(button);
            button->show();
        }
    }
    removedBox_->setVisible(!shownRemoved_.empty());
    pillBox_->updateGeometry();
}

void OpensSection::fillMenu(QMenu& menu) {
    menu.addAction("An app\u2026", this, [this] {
        if (const auto appID = context_.pickers.application()) {
            if (const auto item = Item::app(*appID)) {
                draft_.add(*item);
            }
        }
    });
    menu.addAction("A file\u2026", this, [this] {
        if (const auto path = context_.pickers.file()) {
            if (const auto item = Item::document(*path)) {
                draft_.add(*item);
            }
        }
    });
    menu.addAction("A web page\u2026", this, [this] { startPage(); });
    menu.addAction("Everything open now", this, [this] {
        OpensEdits::mergeOpenNow(draft_, OpenNow::edits(context_.platform.workspace, context_.platform.accessibility));
    });
}

} // namespace ostrel::ui
