#pragma once

#ifndef Q_MOC_RUN
#include "app/editor/Wording.hpp"
#include "app/home/RoutineRowText.hpp"
#include "app/home/RoutinesLoader.hpp"
#endif

#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <string>
#include <vector>

class QAbstractButton;
class QLabel;

namespace ostrel {
class Calendar;
class Workspace;
} // namespace ostrel

namespace ostrel::ui {

class Pill;
class TrustBadge;

// One routine of the routines page, a column of four parts 9 apart: the name (semibold 17 ink, up
// to two lines, cut with "…" after that) with the trust badge at the right; the moments in a
// wrapping row 14 apart (a Sky::button symbol and, 5 to its right, the sentence in medium 13
// inkSoft, one line of at most 360, cut with "…"); the items it opens as pills in a wrapping row 7
// apart, or a line saying it opens nothing yet; and the footer: how often it was seen (regular 12
// inkSoft), then "Change" and "Set up now" at the right. The row holds no state of its own: the
// page makes a new one for a new list and only renames it in place.
//
// Threading: the GUI thread only.
class RoutineRow : public QWidget {
    Q_OBJECT
public:
    struct Wording {
        const Calendar& calendar;
        const Workspace& workspace;
        ostrel::Wording::NetworkName networkName;
    };

    RoutineRow(const LearnedRoutine& routine, const std::vector<CalendarSeries>& series,
               const std::map<std::string, SeriesSchedule>& schedules, const Wording& wording,
               std::function<void()> edit, std::function<void()> setUp, QWidget* parent = nullptr);

    const std::string& id() const { return id_; }
    QString name() const { return name_; }
    void setName(const QString& name);

    QLabel* nameLabel() const { return nameLabel_; }
    TrustBadge* badge() const { return badge_; }
    const std::vector<RoutineRowText::Moment>& moments() const { return moments_; }
    // The moments' chips, in order.
    const std::vector<QWidget*>& momentChips() const { return momentChips_; }
    // The item pills in the routine's item order; none when it opens nothing.
    const std::vector<Pill*>& pills() const { return pills_; }
    // The line shown in place of the pills; null when there are pills.
    QLabel* noItemsLabel() const { return noItems_; }
    QLabel* seenLabel() const { return seen_; }
    QAbstractButton* changeButton() const { return change_; }
    QAbstractButton* setUpButton() const { return setUp_; }

    // The width the page gives a row.
    static constexpr int rowWidth = 680;
    static constexpr int spacing = 9;
    static constexpr int headerSpacing = 12;
    static constexpr int nameSize = 17;
    static constexpr int nameLines = 2;
    static constexpr int momentSpacing = 14;
    static constexpr int momentSymbolSize = 11;
    static constexpr int momentSymbolGap = 5;
    static constexpr int momentTextSize = 13;
    static constexpr int momentTextWidth = 360;
    static constexpr int pillSpacing = 7;
    static constexpr int noItemsSize = 13;
    static constexpr int seenSize = 12;
    static constexpr int footerSpacing = 14;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showName();

    std::string id_;
    QString name_;
    QLabel* nameLabel_ = nullptr;
    TrustBadge* badge_ = nullptr;
    std::vector<RoutineRowText::Moment> moments_;
    std::vector<QWidget*> momentChips_;
    std::vector<Pill*> pills_;
    QLabel* noItems_ = nullptr;
    QLabel* seen_ = nullptr;
    QAbstractButton* change_ = nullptr;
    QAbstractButton* setUp_ = nullptr;
};

} // namespace ostrel::ui
