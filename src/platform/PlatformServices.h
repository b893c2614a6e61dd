#pragma once

#include <QSizeF>
#include <QString>
#include <optional>

class QMenu;
class QTextDocument;
class QWidget;

namespace platform {

enum class MousePointer { Default = 0, Hourglass = 11 };

// Everything the windows ask of the desktop. The program uses the Qt
// implementation; tests use a scripted fake, so that every handler runs
// without a person answering a dialog and without a printer.
class PlatformServices {
public:
    virtual ~PlatformServices() = default;

    // Modal, OK only, no icon.
    virtual void messageBox(const QString& text, const QString& title) = 0;
    // Modal, Yes and No; true for Yes.
    virtual bool askYesNo(const QString& text, const QString& title) = 0;
    // Modal, empty default answer; the empty text on Cancel.
    virtual QString inputBox(const QString& prompt, const QString& title) = 0;

    // The screen's size in twips (1/1440 inch), in single precision.
    virtual QSizeF screenSizeTwips() = 0;
    virtual void setMousePointer(MousePointer pointer) = 0;

    // Opens `menu` at the mouse pointer; returns when it closes.
    virtual void popupMenu(QMenu& menu) = 0;

    virtual void clipboardClear() = 0;
    virtual void clipboardSetText(const QString& text) = 0;

    // Queues keystrokes ("+{Delete}", "+{INSERT}") for `target`, or for the
    // control that has the focus when they are processed; returns at once.
    virtual void sendKeys(const QString& keys, QWidget* target = nullptr) = 0;

    // The print dialog with its page-range choice disabled and its Selection
    // choice preset when asked; the copies chosen, or nothing on Cancel.
    virtual std::optional<int> showPrintDialog(bool selectionPreset) = 0;
    // Prints a formatted document on the printer chosen in the dialog.
    virtual void printFormatted(const QTextDocument& document) = 0;
    // The program's printer: one text followed by a line end, then EndDoc
    // hands the document to the spooler as a job of its own.
    virtual void printerPrint(const QString& text) = 0;
    virtual void printerEndDoc() = 0;

    // Ends the program at once, with no tidy-up of the library.
    virtual void endProgram(int exitCode) = 0;
};

}  // namespace platform
