#pragma once

#include "app/editor/DescribeFill.hpp"
#include "platform/Subscription.hpp"

#include <QPlainTextEdit>
#include <QWidget>

class QLabel;
class QVBoxLayout;

namespace ostrel::ui {

class SunButton;

// The card at the top of the routine editor's form where the student says what the routine should
// do: a header, a growing text field, the line about where the words go, the "Fill it in" button
// and the notes or failure of the last fill. When the model cannot be used it shows only the header
// and the reason. It shows what its DescribeFill holds and hands it the words and the button press;
// every rule (when the button is enabled, what a fill does) is DescribeFill's.
//
// Shown, it asks the fill to probe the model. Return in the text field starts a new line and never
// reaches the window's default button or a Return shortcut.
//
// Threading: the GUI thread only. The fill must outlive the card.
class DescribeCard : public QWidget {
public:
    static constexpr int formWidth = 472; // the editor's form: 480 less its 4 + 4 padding
    static constexpr int padding = 14;
    static constexpr int spacing = 10;
    static constexpr qreal radius = 18;
    static constexpr qreal fillOpacity = 0.7;
    static constexpr const char* placeholder =
        "When I plug in my monitor, open my editor on the left and the browser on the right, and mute";
    static constexpr const char* privacyLine =
        "Written out on this Mac by the on-device model. Nothing is sent anywhere.";

    explicit DescribeCard(DescribeFill& fill, QWidget* parent = nullptr);
    ~DescribeCard() override;

    QPlainTextEdit* field() const { return field_; }
    SunButton* button() const { return button_; }
    QWidget* spinner() const { return spinner_; }
    // The texts of the note rows, in order, and of the failure row ("" when hidden).
    QStringList noteTexts() const;
    QString failureText() const;
    QLabel* reasonLabel() const { return reason_; }
    // The field's height for lines of text (kept within 3 to 5).
    int fieldHeight(int lines) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh(DescribeFill::Property property);
    void showAvailability();
    void showWorking();
    void showNotes();
    void showFailure();
    void fitField();

    DescribeFill& fill_;
    QWidget* fieldBox_ = nullptr;
    QPlainTextEdit* field_ = nullptr;
    QWidget* actions_ = nullptr;
    QWidget* spinner_ = nullptr;
    SunButton* button_ = nullptr;
    QWidget* notes_ = nullptr;
    QVBoxLayout* noteRows_ = nullptr;
    QWidget* failure_ = nullptr;
    QLabel* failureLabel_ = nullptr;
    QLabel* reason_ = nullptr;
    Subscription watching_;
};

} // namespace ostrel::ui
