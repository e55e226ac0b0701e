#pragma once

#ifndef Q_MOC_RUN
#include "app/home/RoutinesLoader.hpp"
#endif

#include "platform/Subscription.hpp"
#include "ui/home/HomeContext.hpp"

#include <QWidget>
#include <memory>
#include <vector>

class QLabel;
class QVBoxLayout;

namespace ostrel::ui {

class RoutineRow;

// The Home window's Routines tab: every routine the system knows, each as a RoutineRow, with a
// Sky::horizon divider between rows (none above the first). Until the first load ends it says
// "Learning…"; a load that found nothing, or could not read the store, gives "Nothing learned yet"
// and a line on how routines come about. A column 688 wide, padded 4 at the sides, 26 at the top
// and 48 at the bottom, its children 26 apart.
//
// It loads once when first shown (when made live) and again on every "quevRoutinesChanged"; the
// loader does the work off the main executor and keeps the list. "Change" opens the editor on a
// draft of the row's routine with the page's series; "Set up now" asks the autopilot to set the
// routine up under the row's name (nothing without an autopilot).
//
// Threading: the GUI thread only. The context must outlive the page; the page may go while a load
// runs (its result is then dropped).
class RoutinesPage : public QWidget {
    Q_OBJECT
public:
    RoutinesPage(const HomeContext& context, bool live, QWidget* parent = nullptr);
    ~RoutinesPage() override;

    RoutinesLoader& loader() { return *loader_; }

    // What is shown now: "Learning…" (null once loaded); the empty state's title and explanation
    // (null unless the list is empty); the rows and the dividers between them, top to bottom.
    QLabel* learningLabel() const { return learning_; }
    QLabel* emptyTitle() const { return emptyTitle_; }
    QLabel* emptyText() const { return emptyText_; }
    const std::vector<RoutineRow*>& rows() const { return rows_; }
    const std::vector<QWidget*>& dividers() const { return dividers_; }

    static constexpr int pageWidth = 688;
    static constexpr int spacing = 26;
    static constexpr QMargins padding{4, 26, 4, 48};
    static constexpr int emptySpacing = 6;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showList();
    void showNames();
    void clear();
    void edit(const std::string& id);
    void setUp(const std::string& id);
    const LearnedRoutine* find(const std::string& id) const;

    const HomeContext& context_;
    bool live_;
    bool shownOnce_ = false;
    std::unique_ptr<RoutinesLoader> loader_;
    QVBoxLayout* column_;
    QLabel* learning_ = nullptr;
    QLabel* emptyTitle_ = nullptr;
    QLabel* emptyText_ = nullptr;
    std::vector<RoutineRow*> rows_;
    std::vector<QWidget*> dividers_;
    Subscription watching_;
    Subscription changes_;
};

} // namespace ostrel::ui
