#pragma once

#include "platform/Appearance.hpp"
#include "platform/Clock.hpp"

#include <QWidget>

#include <optional>

class QAbstractButton;
class QLabel;
class QTextEdit;

namespace ostrel::ui {

class CloudScene;

// The score export window's content, 600 x 700 over the export sky: the title and subtitle (the
// reminder's or the settings' words), the privacy line, and under it "Scoring…" until the text is
// set, then the text itself, read-only and selectable in the system's fixed-width font, scrolling
// without bars between cloud fades, with Copy, Save… and (only with a recipient) "Email my scores",
// which Return presses. The view holds no rule: its owner builds the text and acts on the buttons.
//
// Threading: the GUI thread only. The clock and appearance must outlive the view.
class ScoreExportView : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize size{600, 700};
    static constexpr QRect bodyFrame{96, 236, 408, 420};

    // live: the sky moves and the text scrolls; withRecipient: the mail button is offered.
    ScoreExportView(const Clock& clock, Appearance& appearance, bool reminder, bool live, bool withRecipient,
                    QWidget* parent = nullptr);

    // The export's text (or the sentence of its failure); the buttons show from then on.
    void setText(const QString& text);
    std::optional<QString> text() const { return text_; }

    QLabel* title() const { return title_; }
    QLabel* subtitle() const { return subtitle_; }
    QLabel* privacyLine() const { return privacy_; }
    QLabel* scoringLabel() const { return scoring_; }
    QTextEdit* textArea() const { return textArea_; }
    QAbstractButton* copyButton() const { return copy_; }
    QAbstractButton* saveButton() const { return save_; }
    // Null without a recipient.
    QAbstractButton* emailButton() const { return email_; }

Q_SIGNALS:
    void copyChosen();
    void saveChosen();
    void emailChosen();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    CloudScene* sky_;
    QLabel* title_;
    QLabel* subtitle_;
    QLabel* privacy_;
    QLabel* scoring_;
    QTextEdit* textArea_;
    QWidget* buttons_;
    QAbstractButton* copy_;
    QAbstractButton* save_;
    QAbstractButton* email_ = nullptr;
    std::optional<QString> text_;
};

} // namespace ostrel::ui
