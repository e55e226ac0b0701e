#include "ui/home/TimePage.hpp"

#include "app/home/ItemDisplay.hpp"
#include "platform/Platform.hpp"
#include "platform/Runtime.hpp"
#include "ui/home/DaysChart.hpp"
#include "ui/home/HoursChart.hpp"
#include "ui/home/LookBackCard.hpp"
#include "ui/home/SpanPicker.hpp"
#include "ui/home/UsageList.hpp"
#include "ui/theme/Fonts.hpp"
#include "ui/theme/Icons.hpp"
#include "ui/theme/ItemIcon.hpp"
#include "ui/theme/PlainLabel.hpp"
#include "ui/theme/Sky.hpp"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include <algorithm>

namespace ostrel::ui {

namespace {

constexpr int bigSize = 34;
constexpr int captionSize = 16;
constexpr int captionGap = 8;
constexpr int headerSpacing = 6;
constexpr int savedSize = 14;
constexpr int sunSize = 16;
constexpr int noteSize = 14;
constexpr int footnoteSize = 12; // 11.5 in whole pixels

QString qtext(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

int textBaseline(const QFont& font, int height) {
    // Where a label's text drawn centred in height has its baseline.
    const QFontMetrics metrics(font);
    return (height - metrics.height()) / 2 + metrics.ascent();
}

// The first header row: the big number and its caption on one baseline, the picker at the right with
// its labels on that baseline too.
class HeaderRow : public QWidget {
public:
    HeaderRow(QLabel* big, QLabel* caption, QWidget* picker, QWidget* parent)
        : QWidget(parent), big_(big), caption_(caption), picker_(picker) {
        big_->setParent(this);
        caption_->setParent(this);
        picker_->setParent(this);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override {
        const int line = baseline();
        const int bottom = std::max({line - QFontMetrics(big_->font()).ascent() + big_->sizeHint().height(),
                                     line - QFontMetrics(caption_->font()).ascent() + caption_->sizeHint().height(),
                                     line - pickerBaseline() + picker_->sizeHint().height()});
        return {TimePage::pageWidth - 2 * TimePage::paddingSide, bottom};
    }
    QSize minimumSizeHint() const override { return {0, sizeHint().height()}; }

    void place() {
        const int line = baseline();
        const QSize bigSize = big_->sizeHint();
        big_->setGeometry(0, line - QFontMetrics(big_->font()).ascent(), bigSize.width(), bigSize.height());
        const QSize captionSize = caption_->sizeHint();
        const int captionRoom = width() - picker_->sizeHint().width() - 8 - (bigSize.width() + captionGap);
        caption_->setGeometry(bigSize.width() + captionGap, line - QFontMetrics(caption_->font()).ascent(),
                              std::min(captionSize.width(), std::max(captionRoom, 0)), captionSize.height());
        const QSize pickerSize = picker_->sizeHint();
        picker_->setGeometry(width() - pickerSize.width(), line - pickerBaseline(), pickerSize.width(),
                             pickerSize.height());
    }

protected:
    void resizeEvent(QResizeEvent*) override { place(); }

private:
    int pickerBaseline() const {
        const auto* tabs = static_cast<const SkyTabs*>(picker_);
        const int padding = (picker_->sizeHint().height() - tabs->tabs().front()->sizeHint().height()) / 2;
        return padding + textBaseline(tabs->tabs().front()->font(), tabs->tabs().front()->sizeHint().height());
    }
    int baseline() const {
        return std::max({QFontMetrics(big_->font()).ascent(), QFontMetrics(caption_->font()).ascent(),
                         pickerBaseline()});
    }

    QLabel* big_;
    QLabel* caption_;
    QWidget* picker_;
};

QLabel* wrappingNote(std::string_view text, int size, QWidget* parent) {
    QLabel* label = plainLabel(Fonts::font(size, Fonts::Weight::regular), Sky::inkSoft(), parent);
    label->setWordWrap(true);
    label->setText(qtext(text));
    label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    return label;
}

} // namespace

TimePage::TimePage(const HomeContext& context, bool live, QWidget* parent)
    : QWidget(parent), context_(context), live_(live) {
    loader_ = std::make_unique<TimeLoader>(TimeLoader::Sources{context.store, context.runtime, context.calendar,
                                                               context.model, context.settings,
                                                               context.platform.workspace});
    setFixedWidth(pageWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(paddingSide, paddingTop, paddingSide, paddingBottom);
    column->setSpacing(stackSpacing);

    auto* header = new QWidget(this);
    auto* headerColumn = new QVBoxLayout(header);
    headerColumn->setContentsMargins(0, 0, 0, 0);
    headerColumn->setSpacing(headerSpacing);
    big_ = plainLabel(Fonts::font(bigSize, Fonts::Weight::bold), Sky::ink(), header);
    caption_ = plainLabel(Fonts::font(captionSize, Fonts::Weight::semibold), Sky::inkSoft(), header);
    picker_ = new SpanPicker(header);
    connect(picker_, &SpanPicker::spanChosen, this, [this](TimeSpan span) { setSpan(span); });
    auto* row = new HeaderRow(big_, caption_, picker_, header);
    headerColumn->addWidget(row);

    savedRow_ = new QWidget(header);
    auto* savedLayout = new QHBoxLayout(savedRow_);
    savedLayout->setContentsMargins(0, 0, 0, 0);
    savedLayout->setSpacing(6);
    auto* sun = new QLabel(savedRow_);
    sun->setPixmap(QPixmap::fromImage(Icons::image("sun.max.fill", {sunSize, sunSize}, Sky::sun(), 2)));
    sun->setFixedSize(sunSize, sunSize);
    savedLayout->addWidget(sun, 0, Qt::AlignVCenter);
    saved_ = plainLabel(Fonts::font(savedSize, Fonts::Weight::medium), Sky::inkSoft(), savedRow_);
    savedLayout->addWidget(saved_, 0, Qt::AlignVCenter);
    savedLayout->addStretch();
    headerColumn->addWidget(savedRow_);
    column->addWidget(header);

    bank_ = new QWidget(this);
    bankColumn_ = new QVBoxLayout(bank_);
    bankColumn_->setContentsMargins(0, 0, 0, 0);
    bankColumn_->setSpacing(stackSpacing);
    column->addWidget(bank_);
    column->addStretch();

    watching_ = loader_->observe([this](TimeLoader::Property property) {
        if (property != TimeLoader::Property::firstDay) {
            showHeader();
            showBank();
        }
    });
    showHeader();
    showBank();
    if (live_) {
        loader_->load(span_);
    }
}

TimePage::~TimePage() = default;

void TimePage::setSpan(Span span) {
    picker_->setSpan(span);
    if (span == span_) {
        return;
    }
    span_ = span;
    showHeader();
    showBank();
    if (live_) {
        loader_->load(span_);
    }
}

void TimePage::showHeader() {
    const std::optional<TimeReport>& report = loader_->report();
    big_->setText(QString::fromStdString(TimeTexts::bigNumber(report)));
    caption_->setText(qtext(TimeTexts::caption(span_)));
    big_->adjustSize();
    caption_->adjustSize();
    auto* row = static_cast<HeaderRow*>(big_->parentWidget());
    row->updateGeometry();
    row->place();
    savedRow_->setVisible(report.has_value());
    if (report) {
        saved_->setText(QString::fromStdString(TimeTexts::savedLine(*report)));
    }
}

void TimePage::showBank() {
    while (QLayoutItem* item = bankColumn_->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    const std::optional<TimeReport>& report = loader_->report();
    if (!report) {
        bankColumn_->addWidget(wrappingNote(TimeTexts::addingUp, noteSize, bank_));
        return;
    }
    const Calendar& calendar = context_.calendar;
    if (span_ == Span::week && loader_->lookBack()) {
        bankColumn_->addWidget(new LookBackCard(QString::fromStdString(*loader_->lookBack()), bank_));
    }
    if (span_ == Span::today) {
        bankColumn_->addWidget(new HoursChart(report->hours, calendar, bank_));
    } else {
        bankColumn_->addWidget(new DaysChart(report->days, loader_->firstDay(), calendar, bank_));
    }

    const Workspace& workspace = context_.platform.workspace;
    if (!report->apps.empty()) {
        bankColumn_->addWidget(new UsageList(
            qtext(TimeTexts::appsTitle), TimeTexts::firstOf(report->apps, TimeTexts::appsShown),
            [&workspace](const std::string& key) {
                const std::optional<Item> item = Item::app(key);
                if (!item) {
                    return UsageList::Look{Icons::image("questionmark.square.dashed",
                                                        {UsageList::imageSize, UsageList::imageSize}, Sky::inkSoft(), 2),
                                           QString::fromStdString(key)};
                }
                return UsageList::Look{ItemIcon::icon(*item, workspace, {UsageList::imageSize, UsageList::imageSize}),
                                       QString::fromStdString(ItemDisplay::name(*item, workspace))};
            },
            bank_));
    }
    const auto symbolRows = [](const char* symbol) {
        return [image = Icons::image(symbol, {UsageList::imageSize, UsageList::imageSize}, Sky::button(), 2)](
                   const std::string& key) { return UsageList::Look{image, QString::fromStdString(key)}; };
    };
    if (!report->sites.empty()) {
        bankColumn_->addWidget(new UsageList(qtext(TimeTexts::sitesTitle),
                                             TimeTexts::firstOf(report->sites, TimeTexts::sitesShown),
                                             symbolRows("globe"), bank_));
    }
    if (!report->classes.empty()) {
        bankColumn_->addWidget(new UsageList(qtext(TimeTexts::classesTitle),
                                             TimeTexts::firstOf(report->classes, TimeTexts::classesShown),
                                             symbolRows("calendar"), bank_));
    }
    if (report->active == 0) {
        bankColumn_->addWidget(wrappingNote(TimeTexts::nothingYet, noteSize, bank_));
    }
    bankColumn_->addWidget(wrappingNote(TimeTexts::footnote, footnoteSize, bank_));
}

} // namespace ostrel::ui
