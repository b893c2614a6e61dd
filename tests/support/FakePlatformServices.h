#pragma once

#include <QList>
#include <QStringList>
#include <functional>
#include <optional>

#include "platform/PlatformServices.h"

// The desktop as a script: input boxes and questions are answered from queues,
// and every box, pointer, menu, clipboard call, keystroke and print is recorded.
// Clipboard calls and keystrokes also take place for real (offscreen), so a
// test sees their effect on the panels.
class FakePlatformServices : public platform::PlatformServices {
public:
    struct Box {
        QString text;
        QString title;
        bool operator==(const Box&) const = default;
    };

    // Answers, consumed in order. An input box with no answer left fails the test.
    QStringList inputAnswers;
    QList<bool> yesNoAnswers;
    QSizeF screen{15360, 11520};               // 1024 x 768 pixels at 96 DPI
    std::optional<int> printDialogAnswer = 1;  // copies; nothing = Cancel
    bool failPrinter = false;
    std::function<void(QMenu&)> onPopup;  // e.g. trigger one of the menu's entries
    std::function<void()> onMessage;      // runs while a message box is open

    // What happened.
    QList<Box> messages;
    QList<Box> inputBoxes;  // prompt and title
    QList<Box> questions;
    QList<platform::MousePointer> pointers;
    QStringList popups;          // object names of the menus opened
    QStringList clipboardCalls;  // "Clear", "SetText:<text>"
    QStringList keys;
    QList<bool> printDialogs;     // Selection choice preset?
    QStringList formattedPrints;  // each as plain text
    QStringList printerJobs;      // each job's text
    QList<int> endedWith;

    void messageBox(const QString& text, const QString& title) override;
    bool askYesNo(const QString& text, const QString& title) override;
    QString inputBox(const QString& prompt, const QString& title) override;
    QSizeF screenSizeTwips() override { return screen; }
    void setMousePointer(platform::MousePointer pointer) override { pointers << pointer; }
    void popupMenu(QMenu& menu) override;
    void clipboardClear() override;
    void clipboardSetText(const QString& text) override;
    void sendKeys(const QString& keys, QWidget* target = nullptr) override;
    std::optional<int> showPrintDialog(bool selectionPreset) override;
    void printFormatted(const QTextDocument& document) override;
    void printerPrint(const QString& text) override;
    void printerEndDoc() override;
    void endProgram(int exitCode) override { endedWith << exitCode; }

private:
    QString pendingJob_;
};
