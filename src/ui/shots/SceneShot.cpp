#include "ui/cloud/CloudScene.hpp"
#include "ui/cloud/Drift.hpp"
#include "ui/shots/Shot.hpp"
#include "ui/shots/Shots.hpp"
#include "ui/shots/Still.hpp"

#include <map>
#include <string>
#include <vector>

namespace ostrel::ui::shots {
namespace {

// The size of the window each frame art is drawn for.
QSize windowSize(const std::string& art) {
    static const std::map<std::string, QSize> sizes{
        {"home", {880, 700}},   {"onboarding", {660, 720}}, {"settings", {760, 620}},
        {"export", {600, 700}}, {"editor", {680, 820}},     {"menu-5", {380, 435}},
        {"menu-6", {380, 470}}, {"menu-7", {380, 505}},     {"banner", {420, 150}},
    };
    const auto found = sizes.find(art);
    return found == sizes.end() ? QSize(880, 700) : found->second;
}

double defaultInset(const std::string& art) {
    if (art.starts_with("menu-"))
        return 26;
    // The banner is a cloud card with no sky: an inset of half its height leaves none.
    if (art == "banner")
        return 75;
    return 42;
}

} // namespace

QImage scene(const json::Value& state) {
    std::string art;
    std::optional<std::vector<double>> band;
    double t = 0;
    bool live = true;
    bool reduceMotion = false;
    QSize size;
    double inset = 0;
    try {
        const json::ObjectReader reader(state);
        art = reader.value<std::string>("art", "home");
        band = reader.optional<std::vector<double>>("band");
        t = reader.value("t", 0.0);
        live = reader.value("live", true);
        reduceMotion = reader.value("reduceMotion", false);
        const QSize natural = windowSize(art);
        size = QSize(reader.value("width", natural.width()), reader.value("height", natural.height()));
        inset = reader.value("skyInset", defaultInset(art));
    } catch (const json::DecodingError& error) {
        throw ShotError(std::string("scene: ") + error.what());
    }
    if (band && band->size() != 2)
        throw ShotError("scene: \"band\" is [top, bottom] or null");
    if (size.width() < 1 || size.height() < 1 || size.width() > 4096 || size.height() > 4096) {
        throw ShotError("scene: \"width\" and \"height\" are 1 to 4096");
    }

    const StillClock clock(Drift::referenceDate + t);
    StillAppearance appearance(reduceMotion);
    CloudScene widget(clock, appearance);
    widget.setArt(QString::fromStdString(art));
    if (band)
        widget.setBand(CloudScene::Band{band->at(0), band->at(1)});
    widget.setLive(live);
    widget.setSkyInset(inset);
    widget.resize(size);

    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace ostrel::ui::shots
