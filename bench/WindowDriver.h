#pragma once

#include <QStringList>
#include <optional>

#include "platform/PlatformServices.h"

class QAction;
class QComboBox;
class QWidget;
class frmSnibbet;
class PanelEdit;

// Drives the real main window as a user does, without a test framework: the
// same signals a click emits, the same focus changes, and the event
// processing that follows each of them (repaints included, offscreen).
namespace bench {

// The desktop as the benchmark needs it: input boxes answered from a queue,
// nothing shown or printed. A message box, a question or the program's end
// means the window met what the benchmark did not plan for: it is recorded,
// and the next check stops the case rather than time another path.
class WindowServices : public platform::PlatformServices {
public:
    QStringList inputAnswers;
    QStringList unexpected;

    void messageBox(const QString& text, const QString& title) override;
    bool askYesNo(const QString& text, const QString& title) override;
    QString inputBox(const QString& prompt, const QString& title) override;
    QSizeF screenSizeTwips() override { return {15360, 11520}; }  // 1024 x 768 at 96 DPI
    void setMousePointer(platform::MousePointer) override {}
    void popupMenu(QMenu&) override {}
    void clipboardClear() override {}
    void clipboardSetText(const QString&) override {}
    void sendKeys(const QString&, QWidget*) override {}
    std::optional<int> showPrintDialog(bool) override { return std::nullopt; }
    void printFormatted(const QTextDocument&) override {}
    void printerPrint(const QString&) override {}
    void printerEndDoc() override {}
    void endProgram(int exitCode) override;

    // Throws, naming what happened, when anything unexpected was recorded;
    // the record starts afresh.
    void check(const char* during);
};

// Delivers what the last action left queued: posted events and repaints.
void settle();

// startSnibbet, then events until the window is active with its category
// list filled and painted.
frmSnibbet* startWindow(const QString& folder, WindowServices& services);

// Releases a window without closing it: no tidy-up, the library stays as it is.
void discardWindow(frmSnibbet* window);

// The close box (the tidy-up), then the window's release, which closes the
// library.
void closeWindow(frmSnibbet* window);

QStringList entries(const QComboBox& list);

// A click on an entry: the focus moves to the list, the entry becomes current
// and the list reports the choice.
void choose(QComboBox& list, const QString& text);

// Puts the caret at the end of the panel's text and types `text` key by key.
void typeAtEnd(PanelEdit& panel, const QString& text);

// A click into another control: the focus moves by mouse.
void clickInto(QWidget& control);

// Chooses a menu entry; the input box it opens is answered with `answer`.
void runMenu(QAction& entry, WindowServices& services,
             const std::optional<QString>& answer = std::nullopt);

}  // namespace bench
