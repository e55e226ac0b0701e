#include "ui/home/RoutineRow.hpp"

#include "app/home/ItemDisplay.hpp"
#include "ui/home/TrustBadge.hpp"
#include "ui/theme/Elide.hpp"
#include "ui/theme/FlowRow.hpp"
#include "ui/theme/Fonts.hpp"
#include "ui/theme/Icons.hpp"
#include "ui/theme/ItemIcon.hpp"
#include "ui/theme/Pill.hpp"
#include "ui/theme/PlainLabel.hpp"
#include "ui/theme/Sky.hpp"
#include "ui/theme/SkyLink.hpp"
#include "ui/theme/SunButton.hpp"

#include <QBoxLayout>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace ostrel::ui {

namespace {

// A moment: its symbol in Sky::button, then its sentence on one line, cut to fit. Keeps its
// natural size; takes no clicks.
class MomentChip : public QWidget {
public:
    MomentChip(const RoutineRowText::Moment& moment, QWidget* parent)
        : QWidget(parent), symbol_(QString::fromStdString(moment.symbol)),
          sentence_(QString::fromStdString(moment.sentence)) {
        setAttribute(Qt::WA_TranslucentBackground);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        setFont(Fonts::font(RoutineRow::momentTextSize, Fonts::Weight::medium));
        shown_ = QFontMetrics(font()).elidedText(sentence_, Qt::ElideRight, RoutineRow::momentTextWidth);
        setAccessibleName(sentence_);
        setToolTip(shown_ == sentence_ ? QString() : sentence_);
    }

    QSize sizeHint() const override {
        const QFontMetrics metrics(font());
        const int text = std::min(RoutineRow::momentTextWidth, metrics.horizontalAdvance(shown_));
        return {symbolSide() + RoutineRow::momentSymbolGap + text, std::max(metrics.height(), symbolSide())};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const int side = symbolSide();
        const QRect symbol(0, (height() - side) / 2, side, side);
        painter.drawImage(symbol, Icons::image(symbol_, symbol.size(), Sky::button(), devicePixelRatioF()));
        painter.setPen(Sky::inkSoft());
        painter.setFont(font());
        const QRect text(side + RoutineRow::momentSymbolGap, 0, width() - side - RoutineRow::momentSymbolGap,
                         height());
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown_);
    }

private:
    // The symbols' art leaves a margin inside its square: an 11 point glyph needs a square of 14.
    static int symbolSide() { return RoutineRow::momentSymbolSize + 3; }

    QString symbol_;
    QString sentence_;
    QString shown_;
};

// A wrapping row inside a widget of its own, so the column gives it the height its width needs.
QWidget* flowBox(int spacing, QWidget* parent, FlowRow*& flow) {
    auto* box = new QWidget(parent);
    box->setAttribute(Qt::WA_TranslucentBackground);
    flow = new FlowRow(spacing, box);
    flow->setContentsMargins(0, 0, 0, 0);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    box->setSizePolicy(policy);
    return box;
}

} // namespace

RoutineRow::RoutineRow(const LearnedRoutine& routine, const std::vector<CalendarSeries>& series,
                       const std::map<std::string, SeriesSchedule>& schedules, const Wording& wording,
                       std::function<void()> edit, std::function<void()> setUp, QWidget* parent)
    : QWidget(parent), id_(routine.id()), name_(QString::fromStdString(routine.name)) {
    setAttribute(Qt::WA_TranslucentBackground);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);

    // Header: the name and the badge.
    auto* header = new QHBoxLayout;
    header->setSpacing(headerSpacing);
    nameLabel_ = plainLabel(Fonts::font(nameSize, Fonts::Weight::semibold), Sky::ink(), this);
    // The lines are broken here, to the width the badge leaves; the label itself never wraps.
    nameLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    badge_ = new TrustBadge(
        RoutineRowText::trustBadge(routine.routine.trust, routine.routine.edits.mode, routine.demoted), this);
    header->addWidget(nameLabel_, 1, Qt::AlignLeft | Qt::AlignVCenter);
    header->addWidget(badge_, 0, Qt::AlignRight | Qt::AlignVCenter);
    column->addLayout(header);

    // Moments.
    moments_ = RoutineRowText::moments(routine.routine, series, schedules, wording.calendar,
                                       wording.workspace, wording.networkName);
    FlowRow* momentFlow = nullptr;
    column->addWidget(flowBox(momentSpacing, this, momentFlow));
    for (const RoutineRowText::Moment& moment : moments_) {
        auto* chip = new MomentChip(moment, momentFlow->parentWidget());
        momentFlow->addWidget(chip);
        momentChips_.push_back(chip);
    }

    // What it opens.
    if (routine.routine.items.empty()) {
        noItems_ = plainLabel(Fonts::font(noItemsSize, Fonts::Weight::regular), Sky::inkSoft(), this);
        noItems_->setText(QString::fromUtf8(RoutineRowText::noItems.data(),
                                            static_cast<qsizetype>(RoutineRowText::noItems.size())));
        column->addWidget(noItems_);
    } else {
        FlowRow* pillFlow = nullptr;
        column->addWidget(flowBox(pillSpacing, this, pillFlow));
        for (const Item& item : routine.routine.items) {
            auto* pill = new Pill(ItemIcon::icon(item, wording.workspace),
                                  QString::fromStdString(ItemDisplay::name(item, wording.workspace)),
                                  pillFlow->parentWidget());
            pill->setObjectName(QString::fromStdString(item.id()));
            pillFlow->addWidget(pill);
            pills_.push_back(pill);
        }
    }

    // Footer.
    auto* footer = new QHBoxLayout;
    footer->setSpacing(footerSpacing);
    seen_ = plainLabel(Fonts::font(seenSize, Fonts::Weight::regular), Sky::inkSoft(), this);
    seen_->setText(QString::fromStdString(RoutineRowText::seenText(routine.routine)));
    footer->addWidget(seen_, 0, Qt::AlignVCenter);
    footer->addStretch(1);
    change_ = new SkyLink("Change", this);
    setUp_ = new SunButton("Set up now", true, this);
    footer->addWidget(change_, 0, Qt::AlignVCenter);
    footer->addWidget(setUp_, 0, Qt::AlignVCenter);
    column->addLayout(footer);

    // The page may replace this row from inside the action: run a copy, touch nothing after.
    connect(change_, &QAbstractButton::clicked, this, [edit = std::move(edit)] {
        if (edit) {
            const auto run = edit;
            run();
        }
    });
    connect(setUp_, &QAbstractButton::clicked, this, [setUp = std::move(setUp)] {
        if (setUp) {
            const auto run = setUp;
            run();
        }
    });

    resize(rowWidth, sizeHint().height());
    showName();
}

void RoutineRow::setName(const QString& name) {
    if (name == name_) {
        return;
    }
    name_ = name;
    showName();
}

void RoutineRow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    showName();
}

void RoutineRow::showName() {
    const int available = std::max(1, width() - badge_->sizeHint().width() - headerSpacing);
    const QString shown = elidedToLines(name_, nameLabel_->font(), available, nameLines);
    nameLabel_->setText(shown);
    nameLabel_->setToolTip(shown.simplified() == name_.simplified() ? QString() : name_);
    nameLabel_->setAccessibleName(name_);
}

} // namespace ostrel::ui
