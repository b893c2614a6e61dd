#pragma once

#include <QStringList>

#include "platform/PlatformServices.h"

// The desktop as the window benchmark needs it: input boxes answered from a
// queue, nothing shown, nothing printed. A message box or a question means the
// window met something the benchmark did not plan for; both are recorded and
// the benchmark stops at its next check rather than time a different path.
namespace bench {

class WindowServices : public platform::PlatformServices {
public:
    QStringList inputAnswers;
    QStringList unexpected;  // message boxes, questions, a program's end

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

}  // namespace bench
