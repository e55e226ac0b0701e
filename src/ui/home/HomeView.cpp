#include "ui/home/HomeView.hpp"

#include "app/home/TabSelection.hpp"
#include "platform/Platform.hpp"
#include "platform/Runtime.hpp"
#include "ui/cloud/CloudFade.hpp"
#include "ui/cloud/CloudScene.hpp"
#include "ui/home/NewRoutineMenu.hpp"
#include "ui/home/RoutinesPage.hpp"
#include "ui/home/TimePage.hpp"
#include "ui/theme/Icons.hpp"
#include "ui/theme/PaperCard.hpp"
#include "ui/theme/Sky.hpp"
#include "ui/theme/SkyTabs.hpp"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

namespace ostrel::ui {

namespace {

constexpr QPoint headerAt{106, 98};
constexpr int headerWidth = 680;
constexpr QRect cardRect{82, 220, 716, 448};
constexpr int fadeHeight = 40;

// The round settings button: the gear in white on a circle of white at 22 %.
class GearButton : public QAbstractButton {
public:
    explicit GearButton(QWidget* parent) : QAbstractButton(parent) {
        setFixedSize(34, 34);
        setToolTip("Settings");
        setAccessibleName("Settings");
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromRgbF(1, 1, 1, isDown() ? 0.35f : 0.22f));
        painter.drawEllipse(QRectF(rect()));
        const QRect symbol(9, 9, 16, 16);
        painter.drawImage(symbol, Icons::image("gearshape.fill", symbol.size(), Qt::white, devicePixelRatioF()));
    }
    bool hitButton(const QPoint& position) const override {
        const QPointF centre = QRectF(rect()).center();
        const QPointF offset = QPointF(position) - centre;
        return offset.x() * offset.x() + offset.y() * offset.y() <= 17.0 * 17.0;
    }
};

} // namespace

HomeView::HomeView(const HomeContext& context, TabSelection& selection, bool live, QWidget* parent)
    : QWidget(parent), context_(context), selection_(selection), live_(live) {
    setFixedSize(size);
    sky_ = new CloudScene(context.runtime.clock(), context.platform.appearance, this);
    sky_->setArt("home");
    sky_->setBand(std::nullopt);
    sky_->setLive(live);
    sky_->setSkyInset(42);
    sky_->setGeometry(rect());

    auto* card = new PaperCard(this);
    card->setGeometry(cardRect);

    header_ = new QWidget(this);
    auto* row = new QHBoxLayout(header_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(14);
    std::vector<QString> labels;
    for (const HomeTab tab : TabSelection::allTabs) {
        const std::string_view label = TabSelection::label(tab);
        labels.push_back(QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())));
    }
    tabs_ = new SkyTabs(labels, header_);
    connect(tabs_, &SkyTabs::chosen, this, [this](int index) {
        if (index >= 0 && index < static_cast<int>(TabSelection::allTabs.size())) {
            selection_.setTab(TabSelection::allTabs[static_cast<std::size_t>(index)]);
        }
    });
    row->addWidget(tabs_);
    row->addStretch();
    settings_ = new GearButton(header_);
    connect(settings_, &QAbstractButton::clicked, this, [this] {
        if (context_.openSettings) {
            context_.openSettings();
        }
    });
    row->addWidget(settings_);
    header_->setGeometry(headerAt.x(), headerAt.y() - 4, headerWidth, 44);

    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setWidgetResizable(true);
    scroll_->viewport()->setAutoFillBackground(false);
    scroll_->setGeometry(pageFrame);
    if (!live) {
        scroll_->verticalScrollBar()->setEnabled(false);
    }
    cloudFade(scroll_, fadeHeight);

    watching_ = selection.observe([this](TabSelection::Property) { showTab(); });
    showTab();
}

HomeView::~HomeView() = default;

void HomeView::showTab() {
    const HomeTab tab = selection_.tab();
    for (std::size_t i = 0; i < TabSelection::allTabs.size(); ++i) {
        if (TabSelection::allTabs[i] == tab) {
            tabs_->setSelected(static_cast<int>(i));
        }
    }
    // The other page goes with all its state; the new one loads afresh.
    if (QWidget* old = scroll_->takeWidget()) {
        old->hide();
        old->deleteLater();
    }
    if (tab == HomeTab::routines) {
        page_ = new RoutinesPage(context_, true);
    } else {
        page_ = new TimePage(context_, true);
    }
    page_->setAttribute(Qt::WA_TranslucentBackground);
    scroll_->setWidget(page_);

    auto* row = static_cast<QHBoxLayout*>(header_->layout());
    if (tab == HomeTab::routines && newRoutine_ == nullptr) {
        newRoutine_ = new NewRoutineMenu(context_, header_);
        row->insertWidget(2, newRoutine_);
    } else if (tab != HomeTab::routines && newRoutine_ != nullptr) {
        newRoutine_->hide();
        newRoutine_->deleteLater();
        newRoutine_ = nullptr;
    }
}

} // namespace ostrel::ui
