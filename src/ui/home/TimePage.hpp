#pragma once

#ifndef Q_MOC_RUN
#include "app/home/TimeLoader.hpp"
#include "app/home/TimeTexts.hpp"
#endif
#include "platform/Subscription.hpp"
#include "ui/home/HomeContext.hpp"

#include <QWidget>

#include <memory>

class QLabel;
class QVBoxLayout;

namespace ostrel::ui {

class SpanPicker;

// The "Your time" page of the Home window: how long the user was active today or this week, what
// the setups saved, when in the day (or on which day) the time went, the apps, websites and classes
// that took it and, for the week, the language model's look-back. 688 points wide; the header (the
// big number, its caption, the span picker, the saved line) over the bank (the look-back card, the
// chart, the usage lists, the footnote).
//
// A live page loads on construction and again on each change of span (TimeLoader); until a load
// brings a report it shows "…" and "Adding it up…". A change of span shows the new span's wording
// and chart from the report it has until the new one arrives. Destroying the page while it loads is
// safe.
//
// Threading: the GUI thread, which is the context runtime's main executor.
class TimePage : public QWidget {
    Q_OBJECT
public:
    using Span = TimeSpan;

    static constexpr int pageWidth = 688;
    static constexpr int paddingTop = 22;
    static constexpr int paddingBottom = 48;
    static constexpr int paddingSide = 4;
    static constexpr int stackSpacing = 26;

    // live: the page loads (the Home window always passes true). The context must outlive the page.
    TimePage(const HomeContext& context, bool live, QWidget* parent = nullptr);
    ~TimePage() override;

    Span span() const { return span_; }
    // Selects span as the picker does: the wording and chart follow at once, and a live page loads.
    void setSpan(Span span);

    const TimeLoader& loader() const { return *loader_; }
    SpanPicker* picker() const { return picker_; }
    QLabel* bigNumber() const { return big_; }
    QLabel* caption() const { return caption_; }
    // Hidden until there is a report.
    QWidget* savedRow() const { return savedRow_; }
    QLabel* savedLine() const { return saved_; }
    // The lower half, rebuilt whenever what it shows changes.
    QWidget* bank() const { return bank_; }

private:
    void showHeader();
    void showBank();

    const HomeContext& context_;
    bool live_;
    Span span_ = Span::today;
    std::unique_ptr<TimeLoader> loader_;
    QLabel* big_;
    QLabel* caption_;
    SpanPicker* picker_;
    QWidget* savedRow_;
    QLabel* saved_;
    QWidget* bank_;
    QVBoxLayout* bankColumn_;
    Subscription watching_;
};

} // namespace ostrel::ui
