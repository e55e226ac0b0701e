#pragma once

#include "ui/home/HomeContext.hpp"

#ifndef Q_MOC_RUN
#include "platform/SecureRandom.hpp"
#endif

#include <QAbstractButton>
#include <QMargins>
#include <QStringList>

class QMenu;

namespace ostrel::ui {

// The "New routine" capsule in the Home window's header (Routines tab): a "plus" symbol and the
// label in bold 13 ink, padded 14/7, on a Sky::sun capsule, at its natural size and with no menu
// indicator. A click pops up its menu: "From what's open now" (the open apps and their window
// places), "Start from scratch" and "Describe it" (the editor opens on its describe card). Each
// makes a new, unsaved routine with the store's calendar series (none without a store or when
// the read fails) and opens the editor on it; nothing is stored here.
//
// Threading: the GUI thread only.
class NewRoutineMenu : public QAbstractButton {
    Q_OBJECT
public:
    enum class Entry { openNow, scratch, describe };

    NewRoutineMenu(const HomeContext& context, QWidget* parent = nullptr);
    ~NewRoutineMenu() override;

    QMenu* menu() const { return menu_; }
    // The entries' texts in menu order.
    static QStringList entryTexts();

    // What choosing an entry does.
    void choose(Entry entry);

    static constexpr QMargins padding{14, 7, 14, 7};
    static constexpr int textSize = 13;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override;

private:
    void showMenu();

    const HomeContext& context_;
    QMenu* menu_;
    SecureRandom random_;
};

} // namespace ostrel::ui
