#include "ui/cloud/CloudScene.hpp"

#include "ui/cloud/Drift.hpp"
#include "ui/theme/Sky.hpp"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QThread>
#include <cmath>
#include <memory>

namespace ostrel::ui {
namespace {

constexpr double cornerRadius = 24;
constexpr int framesPerSecond = 30;

// Carries the appearance notice onto the GUI thread. One for the process, so it outlives every
// subscription that may still name it; a notice whose scene is gone finds its subscription
// cancelled and does nothing.
class GuiThread final : public Executor {
public:
    static GuiThread& shared() {
        static GuiThread executor;
        return executor;
    }

    const std::string& label() const override { return label_; }
    const Clock& clock() const override { return clock_; }

    void post(Task task) override {
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(task), Qt::QueuedConnection);
    }

    TaskHandle postAfter(double seconds, Task task, TimeBase) override {
        auto cancelled = std::make_shared<std::atomic<bool>>(false);
        const int milliseconds = static_cast<int>(std::ceil(std::max(seconds, 0.0) * 1000));
        post([cancelled, milliseconds, task = std::move(task)]() mutable {
            QTimer::singleShot(milliseconds, QCoreApplication::instance(),
                               [cancelled, task = std::move(task)] {
                                   if (!cancelled->exchange(true))
                                       task();
                               });
        });
        return TaskHandle(cancelled);
    }

    TaskHandle postAt(Date deadline, Task task) override {
        return postAfter(deadline - clock_.now(), std::move(task), TimeBase::monotonic);
    }

    bool isCurrent() const override {
        return QCoreApplication::instance() != nullptr &&
               QThread::currentThread() == QCoreApplication::instance()->thread();
    }

private:
    std::string label_ = "gui";
    SystemClock clock_;
};

// The backdrop says nothing to a screen reader: its accessible face is invisible and has no role.
class HiddenFromAccessibility final : public QAccessibleWidget {
public:
    explicit HiddenFromAccessibility(QWidget* widget) : QAccessibleWidget(widget, QAccessible::NoRole) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.invisible = true;
        return state;
    }
};

QAccessibleInterface* sceneAccessibility(const QString& className, QObject* object) {
    if (className == QLatin1String("ostrel::ui::CloudScene") && object->isWidgetType()) {
        return new HiddenFromAccessibility(static_cast<QWidget*>(object));
    }
    return nullptr;
}

QPainterPath skyShape(QSizeF size, double inset) {
    QPainterPath path;
    const QRectF rect = QRectF(QPointF(0, 0), size).adjusted(inset, inset, -inset, -inset);
    if (rect.isValid())
        path.addRoundedRect(rect, cornerRadius, cornerRadius);
    return path;
}

QImage blankImage(QSize size, qreal ratio) {
    QImage image((QSizeF(size) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

CloudScene::CloudScene(const Clock& clock, Appearance& appearance, QWidget* parent, CloudArt& art)
    : QWidget(parent), clock_(clock), appearance_(appearance), cloudArt_(art) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(sceneAccessibility);
        return true;
    }();
    (void)factoryInstalled;
    timer_.setInterval(static_cast<int>(std::ceil(1000.0 / framesPerSecond)));
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, qOverload<>(&QWidget::update));

    reduceMotion_ = appearance_.reduceMotion();
    QPointer<CloudScene> self(this);
    appearanceNotices_ = appearance_.subscribe(GuiThread::shared(), [self](const AppearanceChange&) {
        if (!self)
            return;
        self->reduceMotion_ = self->appearance_.reduceMotion();
        self->updateTicking();
        self->update();
    });
}

CloudScene::~CloudScene() = default;

void CloudScene::setArt(const QString& art) {
    if (art == art_)
        return;
    art_ = art;
    frame_ = {};
    update();
}

void CloudScene::setBand(std::optional<Band> band) {
    if (band == band_)
        return;
    band_ = band;
    updateTicking();
    update();
}

void CloudScene::setLive(bool live) {
    if (live == live_)
        return;
    live_ = live;
    updateTicking();
    update();
}

void CloudScene::setSkyInset(double inset) {
    if (inset == skyInset_)
        return;
    skyInset_ = inset;
    background_ = {};
    update();
}

bool CloudScene::moving() const {
    return live_ && !reduceMotion_;
}

double CloudScene::cloudTime() const {
    return moving() ? Drift::secondsSinceReference(clock_.now()) : 0.0;
}

void CloudScene::updateTicking() {
    // Without a band there are no clouds to move, and a hidden scene is not drawn at all.
    const bool tick = isVisible() && band_.has_value() && moving();
    if (tick && !timer_.isActive())
        timer_.start();
    if (!tick)
        timer_.stop();
}

void CloudScene::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    updateTicking();
}

void CloudScene::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    updateTicking();
}

const QImage& CloudScene::background(QSize size, qreal ratio) {
    if (!background_.isNull() && background_.deviceIndependentSize().toSize() == size &&
        background_.devicePixelRatio() == ratio) {
        return background_;
    }
    QImage image = blankImage(size, ratio);
    QPainter painter(&image);
    QLinearGradient gradient(QPointF(size.width() / 2.0, 0), QPointF(size.width() / 2.0, size.height()));
    gradient.setColorAt(0, Sky::skyTop());
    gradient.setColorAt(1, Sky::skyBottom());
    painter.fillRect(QRectF(QPointF(0, 0), size), gradient);

    const QImage grain = cloudArt_.image(QStringLiteral("grain"));
    if (!grain.isNull()) {
        // The tile at this screen's density once, so the tiles below are plain copies, not
        // dozens of scalings.
        const QSizeF tile = grain.deviceIndependentSize();
        QImage texture =
            grain.devicePixelRatio() == ratio
                ? grain
                : grain.scaled((tile * ratio).toSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        texture.setDevicePixelRatio(ratio);
        painter.setCompositionMode(QPainter::CompositionMode_Overlay);
        for (double y = 0; y < size.height(); y += tile.height()) {
            for (double x = 0; x < size.width(); x += tile.width()) {
                painter.drawImage(QPointF(x, y), texture);
            }
        }
    }

    // Cut the sky to its rounded shape last, with a smooth edge: what lies outside is wiped (a
    // composition mode only touches the pixels a shape covers, so the outside is the shape).
    QPainterPath outside;
    outside.addRect(QRectF(QPointF(0, 0), size).adjusted(-1, -1, 1, 1));
    outside = outside.subtracted(skyShape(size, skyInset_));
    painter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(outside, Qt::black);
    painter.end();
    background_ = std::move(image);
    return background_;
}

const QImage& CloudScene::frame(QSize size, qreal ratio) {
    if (!frame_.isNull() && frame_.deviceIndependentSize().toSize() == size &&
        frame_.devicePixelRatio() == ratio) {
        return frame_;
    }
    const QImage art = cloudArt_.image(art_ + QStringLiteral("-frame"));
    if (art.isNull()) {
        // Nothing to draw; an empty image of the size keeps the miss cached too.
        frame_ = blankImage(size, ratio);
        return frame_;
    }
    QImage scaled =
        art.scaled((QSizeF(size) * ratio).toSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(ratio);
    frame_ = std::move(scaled);
    return frame_;
}

void CloudScene::paintEvent(QPaintEvent*) {
    if (width() <= 0 || height() <= 0)
        return;
    const qreal ratio = devicePixelRatioF();
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), background(size(), ratio));

    if (band_) {
        const double t = cloudTime();
        painter.save();
        painter.setClipPath(skyShape(size(), skyInset_));
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        for (const Drift::Nuvo& nuvo : Drift::nuvos) {
            const QImage image = cloudArt_.image(
                QString::fromUtf8(nuvo.image.data(), static_cast<qsizetype>(nuvo.image.size())));
            if (image.isNull())
                continue;
            const Drift::Offset at = Drift::offset(nuvo, width(), *band_, t);
            painter.drawImage(QRectF(at.x, at.y, nuvo.width, nuvo.width * Drift::heightRatio), image);
        }
        painter.restore();
    }

    painter.drawImage(QPointF(0, 0), frame(size(), ratio));
}

} // namespace ostrel::ui
