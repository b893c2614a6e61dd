#include "WindowDriver.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <chrono>
#include <stdexcept>
#include <utility>

#include "mainwindow/PanelEdit.h"
#include "mainwindow/frmSnibbet.h"

namespace bench {

void WindowServices::messageBox(const QString& text, const QString& title) {
    unexpected << QStringLiteral("message box \"%1\": %2").arg(title, text);
}

bool WindowServices::askYesNo(const QString& text, const QString& title) {
    unexpected << QStringLiteral("question \"%1\": %2").arg(title, text);
    return false;
}

QString WindowServices::inputBox(const QString& prompt, const QString& title) {
    if (inputAnswers.isEmpty())
        unexpected << QStringLiteral("input box \"%1\": %2").arg(title, prompt);
    return inputAnswers.isEmpty() ? QString() : inputAnswers.takeFirst();
}

void WindowServices::endProgram(int exitCode) {
    unexpected << QStringLiteral("the program ended with %1").arg(exitCode);
}

void WindowServices::check(const char* during) {
    if (unexpected.isEmpty()) return;
    const QStringList seen = std::exchange(unexpected, {});
    throw std::runtime_error(std::string("while ") + during + ": " + seen.join("; ").toStdString());
}

void settle() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents();
}

frmSnibbet* startWindow(const QString& folder, WindowServices& services) {
    frmSnibbet* window = startSnibbet(folder, services);
    services.check("starting");
    if (!window) throw std::runtime_error("the window did not come up");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!(window->isActiveWindow() && window->cboCategory->count() > 0)) {
        if (std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error("the window did not become active with its categories listed");
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    settle();
    services.check("starting");
    return window;
}

void discardWindow(frmSnibbet* window) {
    delete window;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void closeWindow(frmSnibbet* window) {
    window->close();
    // The window deletes itself on close; the deferred delete is what
    // releases it and, with it, the library's connection.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QStringList entries(const QComboBox& list) {
    QStringList names;
    for (int i = 0; i < list.count(); ++i) names << list.itemText(i);
    return names;
}

void choose(QComboBox& list, const QString& text) {
    const int index = list.findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) throw std::runtime_error("no entry \"" + text.toStdString() + "\" in the list");
    list.setFocus(Qt::MouseFocusReason);
    list.setCurrentIndex(index);
    emit list.activated(index);
    settle();
}

void typeAtEnd(PanelEdit& panel, const QString& text) {
    panel.setFocus(Qt::MouseFocusReason);
    panel.moveCursor(QTextCursor::End);
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(&panel, &press);
        QCoreApplication::sendEvent(&panel, &release);
    }
    settle();
}

void clickInto(QWidget& control) {
    control.setFocus(Qt::MouseFocusReason);
    settle();
}

void runMenu(QAction& entry, WindowServices& services, const std::optional<QString>& answer) {
    services.inputAnswers.clear();
    if (answer) services.inputAnswers << *answer;
    entry.trigger();
    settle();
    if (!services.inputAnswers.isEmpty())
        throw std::runtime_error("\"" + entry.objectName().toStdString() + "\" asked for no name");
    services.check(qPrintable(entry.objectName()));
}

}  // namespace bench
