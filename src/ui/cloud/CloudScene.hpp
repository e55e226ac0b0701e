#pragma once

#include "platform/Appearance.hpp"
#include "platform/Clock.hpp"
#include "platform/Subscription.hpp"
#include "ui/cloud/CloudArt.hpp"

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <optional>
#include <utility>

namespace ostrel::ui {

// The sky behind a cloud window's content: a blue gradient with a fine grain, inset from the
// window's edges with rounded corners; clouds that drift slowly across a band of it; and over it
// all the window's cloud frame ("<art>-frame", stretched over the whole widget) that gives the
// window its soft cloud-shaped edge. It is only a backdrop: it takes no mouse input, is hidden
// from accessibility and lays out nothing; the window puts its content over it.
//
// The clouds move while the widget is visible, live and the user has not asked for reduced
// motion, at most 30 frames a second. Otherwise they stand at their t = 0 places (not where they
// were), and nothing ticks. The sky with its grain and the frame are drawn once per size and kept,
// so a frame costs a few copies and three small clouds.
//
// Threading: the GUI thread only. The appearance notice is carried to it.
class CloudScene : public QWidget {
    Q_OBJECT

public:
    using Band = std::pair<double, double>; // top and bottom, pixels from the scene's top

    // clock gives the clouds' time and appearance the reduce-motion setting; both, and art, must
    // outlive the scene.
    CloudScene(const Clock& clock, Appearance& appearance, QWidget* parent = nullptr,
               CloudArt& art = CloudArt::shared());
    ~CloudScene() override;

    // The base name of the frame art: "home" draws "home-frame".
    QString art() const { return art_; }
    void setArt(const QString& art);

    // The band the clouds drift in; none: no clouds at all.
    std::optional<Band> band() const { return band_; }
    void setBand(std::optional<Band> band);

    // Whether the clouds may move.
    bool live() const { return live_; }
    void setLive(bool live);

    // How far the sky stands in from every edge (42 for windows, 26 for the menu's panel).
    double skyInset() const { return skyInset_; }
    void setSkyInset(double inset);

    // True while the clouds move (the timer runs).
    bool isTicking() const { return timer_.isActive(); }

    // The seconds since the reference moment the clouds are drawn at now: the clock's when they
    // may move, else 0.
    double cloudTime() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    bool moving() const;
    void updateTicking();
    const QImage& background(QSize size, qreal ratio);
    const QImage& frame(QSize size, qreal ratio);

    const Clock& clock_;
    Appearance& appearance_;
    CloudArt& cloudArt_;
    QString art_ = QStringLiteral("home");
    std::optional<Band> band_;
    bool live_ = true;
    double skyInset_ = 42;
    bool reduceMotion_ = false;
    QTimer timer_;
    QImage background_; // sky and grain at the last size
    QImage frame_;      // the frame art scaled to the last size
    Subscription appearanceNotices_;
};

} // namespace ostrel::ui
