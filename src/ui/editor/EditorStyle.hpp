#pragma once

class QComboBox;
class QLineEdit;

namespace ostrel::ui {

// The editor's pop-up choices and text field in the sky look: ink text in the rounded face on a
// white rounded box with a faint blue edge, so they read on the pale form like the chips beside
// them. A style sheet, not a style of our own: the desktop's pop-up list and editing stay.
void styleChoiceBox(QComboBox* box);
void styleTextField(QLineEdit* field);

} // namespace ostrel::ui
