#include "ui/Application.hpp"

#include "ui/theme/Fonts.hpp"
#include "ui/theme/Sky.hpp"

#include <QApplication>
#include <QPointer>
#include <QStyle>
#include <QStyleFactory>

#include <stdexcept>

namespace ostrel::ui {
namespace {

// The ground of plain windows and menus: the palest of the sky's blues, so white fields still stand
// out on it. (Fusion's bevel shades, Light to Shadow, are set below in the same blue-greys.)
QColor windowGround() { return QColor::fromRgbF(0.96f, 0.98f, 1.0f); }

// The application's default text size, in logical pixels.
constexpr int defaultFontSize = 13;

} // namespace

QPalette lightPalette() {
    const QColor white(Qt::white);
    const QColor ground = windowGround();
    QPalette palette;
    // Every role in every group, so a palette the desktop sets on the application never fills in
    // a role this one left open.
    for (int g = 0; g < QPalette::NColorGroups; ++g) {
        const auto group = static_cast<QPalette::ColorGroup>(g);
        const bool disabled = group == QPalette::Disabled;
        const QColor text = disabled ? Sky::faded(Sky::ink(), 0.4) : Sky::ink();
        palette.setColor(group, QPalette::Window, ground);
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::Base, white);
        palette.setColor(group, QPalette::AlternateBase, Sky::horizon());
        palette.setColor(group, QPalette::ToolTipBase, white);
        palette.setColor(group, QPalette::ToolTipText, Sky::ink());
        palette.setColor(group, QPalette::PlaceholderText, Sky::inkSoft());
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::Button, white);
        palette.setColor(group, QPalette::ButtonText, text);
        palette.setColor(group, QPalette::BrightText, white);
        palette.setColor(group, QPalette::Light, white);
        palette.setColor(group, QPalette::Midlight, QColor::fromRgbF(0.90f, 0.94f, 0.98f));
        palette.setColor(group, QPalette::Mid, QColor::fromRgbF(0.74f, 0.81f, 0.89f));
        palette.setColor(group, QPalette::Dark, QColor::fromRgbF(0.60f, 0.68f, 0.78f));
        palette.setColor(group, QPalette::Shadow, QColor::fromRgbF(0.40f, 0.48f, 0.58f));
        palette.setColor(group, QPalette::Highlight, disabled ? Sky::horizon() : Sky::button());
        palette.setColor(group, QPalette::HighlightedText, disabled ? Sky::ink() : white);
        palette.setColor(group, QPalette::Link, Sky::button());
        palette.setColor(group, QPalette::LinkVisited, Sky::button().darker(120));
        palette.setColor(group, QPalette::NoRole, Qt::transparent);
    }
    return palette;
}

QStyle* lightStyle() {
    static QPointer<QStyle> style;
    if (!style) {
        style = QStyleFactory::create(QStringLiteral("Fusion"));
        if (!style) throw std::runtime_error("Qt has no Fusion style");
        style->setParent(qApp);
    }
    return style;
}

void prepareApplication(QApplication& application) {
    QApplication::setQuitOnLastWindowClosed(false);
    // The application owns the style it is given; lightStyle() stays for the cloud windows.
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setPalette(lightPalette());
    application.setFont(Fonts::font(defaultFontSize, Fonts::Weight::regular));
}

} // namespace ostrel::ui
