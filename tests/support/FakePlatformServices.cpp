#include "support/FakePlatformServices.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QTest>
#include <QTextDocument>

#include "errors/Error.h"
#include "platform/KeyStrokes.h"

void FakePlatformServices::messageBox(const QString& text, const QString& title) {
    messages.append({text, title});
    if (onMessage) onMessage();
}

bool FakePlatformServices::askYesNo(const QString& text, const QString& title) {
    questions.append({text, title});
    if (yesNoAnswers.isEmpty())
        qFatal("a question was asked that the test did not expect: %s", qPrintable(text));
    return yesNoAnswers.takeFirst();
}

QString FakePlatformServices::inputBox(const QString& prompt, const QString& title) {
    inputBoxes.append({prompt, title});
    if (inputAnswers.isEmpty())
        qFatal("an input box was shown that the test did not expect: %s", qPrintable(prompt));
    return inputAnswers.takeFirst();
}

void FakePlatformServices::popupMenu(QMenu& menu) {
    popups << menu.objectName();
    if (onPopup) onPopup(menu);
}

void FakePlatformServices::clipboardClear() {
    clipboardCalls << QStringLiteral("Clear");
    QGuiApplication::clipboard()->clear();
}

void FakePlatformServices::clipboardSetText(const QString& text) {
    clipboardCalls << QStringLiteral("SetText:") + text;
    QGuiApplication::clipboard()->setText(text);
}

void FakePlatformServices::sendKeys(const QString& k, QWidget* target) {
    keys << k;
    platform::postKeyStrokes(platform::parseKeyStrokes(k), target);
}

std::optional<int> FakePlatformServices::showPrintDialog(bool selectionPreset) {
    printDialogs << selectionPreset;
    return printDialogAnswer;
}

void FakePlatformServices::printFormatted(const QTextDocument& document) {
    if (failPrinter) throw errors::Error(errors::PrinterFailed, QStringLiteral("printer error"));
    formattedPrints << document.toPlainText();
}

void FakePlatformServices::printerPrint(const QString& text) {
    if (failPrinter) throw errors::Error(errors::PrinterFailed, QStringLiteral("printer error"));
    pendingJob_ += text + QLatin1Char('\n');
}

void FakePlatformServices::printerEndDoc() {
    printerJobs << std::exchange(pendingJob_, {});
}
