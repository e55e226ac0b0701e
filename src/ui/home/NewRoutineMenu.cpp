#include "ui/home/NewRoutineMenu.hpp"

#include "app/editor/OpenNow.hpp"
#include "core/store/Store.hpp"
#include "platform/Platform.hpp"
#include "platform/Runtime.hpp"
#include "ui/theme/ButtonLabel.hpp"
#include "ui/theme/Fonts.hpp"
#include "ui/theme/Sky.hpp"
#include "ui/theme/SunButton.hpp"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <exception>

namespace ostrel::ui {

namespace {

struct EntryText {
    NewRoutineMenu::Entry entry;
    const char* text;
};
constexpr EntryText entries[] = {
    {NewRoutineMenu::Entry::openNow, "From what's open now"},
    {NewRoutineMenu::Entry::scratch, "Start from scratch"},
    {NewRoutineMenu::Entry::describe, "Describe it"},
};

ButtonLabel labelOf(const NewRoutineMenu& button) {
    return {button.text(), "plus", Fonts::font(NewRoutineMenu::textSize, Fonts::Weight::bold)};
}

} // namespace

NewRoutineMenu::NewRoutineMenu(const HomeContext& context, QWidget* parent)
    : QAbstractButton(parent), context_(context), menu_(new QMenu(this)) {
    setText("New routine");
    setAccessibleName("New routine");
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    for (const EntryText& one : entries) {
        const Entry entry = one.entry;
        menu_->addAction(one.text, this, [this, entry] { choose(entry); });
    }
    connect(this, &QAbstractButton::clicked, this, &NewRoutineMenu::showMenu);
    resize(sizeHint());
}

NewRoutineMenu::~NewRoutineMenu() = default;

QStringList NewRoutineMenu::entryTexts() {
    QStringList texts;
    for (const EntryText& one : entries) {
        texts << one.text;
    }
    return texts;
}

void NewRoutineMenu::choose(Entry entry) {
    std::vector<CalendarSeries> series;
    if (context_.store != nullptr) {
        try {
            series = context_.store->calendarSeries();
        } catch (const std::exception&) {
            series.clear(); // the editor still opens; only class names are missing from its choices
        }
    }
    RoutineEdits edits;
    if (entry == Entry::openNow) {
        edits = OpenNow::edits(context_.platform.workspace, context_.platform.accessibility);
    }
    std::unique_ptr<RoutineDraft> draft;
    try {
        draft = std::make_unique<RoutineDraft>(std::move(series), std::move(edits), context_.calendar,
                                               context_.runtime.clock(), random_);
    } catch (const SecureRandomError&) {
        QApplication::beep(); // no key for a new routine; nothing opens
        return;
    }
    if (context_.openEditor) {
        context_.openEditor(std::move(draft), entry == Entry::describe);
    }
}

void NewRoutineMenu::showMenu() {
    menu_->popup(mapToGlobal(QPoint(0, height() + 4)));
}

QSize NewRoutineMenu::sizeHint() const {
    const QSizeF label = labelOf(*this).size();
    return QSize(static_cast<int>(std::ceil(label.width())), static_cast<int>(std::ceil(label.height())))
        .grownBy(padding);
}

QSize NewRoutineMenu::minimumSizeHint() const {
    return sizeHint();
}

bool NewRoutineMenu::hitButton(const QPoint& position) const {
    const QRectF whole = rect();
    QPainterPath capsule;
    capsule.addRoundedRect(whole, whole.height() / 2, whole.height() / 2);
    return capsule.contains(QPointF(position) + QPointF(0.5, 0.5));
}

void NewRoutineMenu::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF whole = rect();
    paintSunCapsule(painter, whole, isDown(), hasFocus());
    labelOf(*this).paint(painter, whole.marginsRemoved(QMarginsF(padding)), Sky::ink());
}

} // namespace ostrel::ui
