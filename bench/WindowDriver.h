#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QAction;
class QComboBox;
class QWidget;
class frmSnibbet;
class PanelEdit;

// Drives the real main window as a user does, without a test framework: the
// same signals a click emits, the same focus changes, and the event
// processing that follows each of them (repaints included, on the offscreen
// platform).
namespace bench {

class WindowServices;

// Delivers what the last action left queued: posted events and repaints.
void settle();

// startSnibbet, then events until the window is the active window and its
// category list is filled and painted. Throws when the window does not come up.
frmSnibbet* startWindow(const QString& folder, WindowServices& services);

// Releases a window without closing it: no tidy-up, the library stays as it is.
void discardWindow(frmSnibbet* window);

// Closes the window as its close box does (the tidy-up) and lets it be
// released, which closes the library.
void closeWindow(frmSnibbet* window);

QStringList entries(const QComboBox& list);

// A click on an entry of a list: the focus moves to it, the entry becomes
// current and the list reports the choice.
void choose(QComboBox& list, const QString& text);

// Puts the caret at the end of the panel's text and types `text` key by key.
void typeAtEnd(PanelEdit& panel, const QString& text);

// A click into another control: the focus moves by mouse.
void clickInto(QWidget& control);

// Chooses a menu entry. The input box it opens is answered with `answer`; an
// entry that opens none is given no answer.
void runMenu(QAction& entry, WindowServices& services,
             const std::optional<QString>& answer = std::nullopt);

}  // namespace bench
