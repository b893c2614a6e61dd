#pragma once

#include <QString>

class PanelEdit;
class QComboBox;
class QWidget;

// What a user's hands do to the main window, as the random sessions do it.
namespace gestures {

// Types as a keyboard does, one key per code point; letters beyond ASCII
// arrive as text, as an input method delivers them.
void typeText(QWidget* target, const QString& text);

// Picks an entry of a list as the mouse does in its drop-down: the list takes
// the focus, the entry becomes current, and the list reports the choice.
void pick(QComboBox* list, int entry);

// A click into the panel, the caret then sent to the end of its text.
void clickInto(PanelEdit* box);

// Ctrl+Tab or Ctrl+Shift+Tab: the keyboard's ways out of a panel.
void leave(PanelEdit* box, bool forward);

// A click into a list's edit field and its text replaced by typing, then
// Return if asked.
void typeIntoList(QComboBox* list, const QString& text, bool thenReturn = false);

}  // namespace gestures
