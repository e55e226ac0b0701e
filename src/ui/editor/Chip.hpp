#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>

namespace ostrel::ui {

// One chosen thing in a routine editor section (a cue, an app to put away, a moment): a Sky::horizon
// capsule holding the words part (an optional 18 x 18 icon, then an optional symbol in
// Sky::button, then the text in medium 13 ink, 6 px apart) and a small remove cross in
// Sky::inkSoft, 6 px after the words, padded 10 px at the sides and 6 px above and below.
//
// The text stays on one line and is never cut: the chip is exactly as large as its contents
// (fixed size policy, size hint = minimum) and the section places chips in a wrapping row.
// The cross runs the remove action; its accessible name is "Remove " and the text, so two chips
// of one section are told apart. With a tap action the words part is a button too (tooltip
// "Change it"); without one it takes no clicks and has no tooltip. Pressing either part dims it.
//
// An action may delete the chip (the section rebuilds its chips when the draft changes): the chip
// runs a copy of it and touches nothing of itself afterwards.
//
// Threading: the GUI thread only.
class Chip : public QWidget {
    Q_OBJECT
public:
    using Action = std::function<void()>;

    // symbol is an Icons name, empty for none; icon is null for none. action must be given;
    // tap may be empty.
    Chip(const QString& text, const QString& symbol, const QImage& icon, Action action, Action tap = {},
         QWidget* parent = nullptr);

    QString text() const { return text_; }
    QString symbol() const { return symbol_; }
    QImage icon() const { return icon_; }
    bool isTappable() const { return static_cast<bool>(tap_); }

    // The two parts as buttons, for keyboard use and assistive technology.
    QAbstractButton* wordsButton() const { return words_; }
    QAbstractButton* removeButton() const { return cross_; }

    // Where things are drawn, in the chip's coordinates; an absent icon or symbol gives an empty
    // rectangle. wordsRect spans icon, symbol and text; crossRect is the cross glyph (its button
    // reaches to the chip's right edge, so the small glyph is easy to hit).
    QRect iconRect() const;
    QRect symbolRect() const;
    QRect textRect() const;
    QRect wordsRect() const;
    QRect crossRect() const;

    static constexpr int iconSide = 18;
    static constexpr int symbolSide = 12;
    static constexpr int crossSide = 9;
    static constexpr int spacing = 6;
    static constexpr int horizontalPadding = 10;
    static constexpr int verticalPadding = 6;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int contentHeight() const;
    int textWidth() const;

    QString text_;
    QString symbol_;
    QImage icon_;
    Action action_;
    Action tap_;
    QAbstractButton* words_;
    QAbstractButton* cross_;
};

} // namespace ostrel::ui
