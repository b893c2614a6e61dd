#include "support/WindowFixture.h"

#include <QApplication>
#include <QComboBox>
#include <QTest>

#include "instructions/frmInstructions.h"
#include "mainwindow/PanelEdit.h"

WindowFixture::WindowFixture() = default;

// The instructions window outlives the main window by design; a test ends
// with both closed, so that nothing of one test is left for the next.
WindowFixture::~WindowFixture() {
    if (window) window->close();
    for (QWidget* top : QApplication::topLevelWidgets())
        if (qobject_cast<frmInstructions*>(top)) top->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

frmSnibbet& WindowFixture::start() {
    window = startSnibbet(lib.folder(), fake);
    if (!window)
        qFatal("the window did not come up: %s",
               fake.messages.isEmpty() ? "" : qPrintable(fake.messages.last().text));
    QApplication::setActiveWindow(window);
    if (!QTest::qWaitForWindowActive(window)) qWarning("the main window did not become active");
    return *window;
}

void WindowFixture::close() {
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

frmSnibbet& WindowFixture::restart() {
    close();
    return start();
}

void WindowFixture::choose(QComboBox* list, const QString& name) {
    const int index = list->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) qFatal("no entry \"%s\" in the list", qPrintable(name));
    list->setFocus(Qt::MouseFocusReason);
    list->setCurrentIndex(index);
    emit list->activated(index);
}

void WindowFixture::chooseCategory(const QString& name) {
    choose(window->cboCategory, name);
}
void WindowFixture::chooseItem(const QString& name) {
    choose(window->cboItems, name);
}

QStringList WindowFixture::entries(const QComboBox* list) {
    QStringList names;
    for (int i = 0; i < list->count(); ++i) names << list->itemText(i);
    return names;
}

QPoint WindowFixture::placeByTheRule(QSizeF screenTwips, const QWidget& window, float divisor) {
    const float pixelsPerTwip = static_cast<float>(window.logicalDpiX()) / 1440.0f;
    const QSize outer = window.frameGeometry().size();
    const float width = static_cast<float>(outer.width()) / pixelsPerTwip;
    const float height = static_cast<float>(outer.height()) / pixelsPerTwip;
    const float left = static_cast<float>(screenTwips.width()) / 2.0f - width / 2.0f;
    const float top = static_cast<float>(screenTwips.height()) / divisor - height / 2.0f;
    return {qRound(left * pixelsPerTwip), qRound(top * pixelsPerTwip)};
}

bool WindowFixture::placedByTheRule(QSizeF screenTwips, const QWidget& window, float divisor) {
    const auto framed = [&] { return window.frameGeometry().size() != window.size(); };
    if (!QTest::qWaitFor(framed, 2000)) {
        qWarning("the window got no frame");
        return false;
    }
    const auto placed = [&] {
        return (window.frameGeometry().topLeft() - placeByTheRule(screenTwips, window, divisor))
                   .manhattanLength() <= 1;
    };
    if (QTest::qWaitFor(placed, 2000)) return true;
    const QPoint expected = placeByTheRule(screenTwips, window, divisor);
    qWarning("the window's frame is at %d,%d, the rule puts it at %d,%d",
             window.frameGeometry().x(), window.frameGeometry().y(), expected.x(), expected.y());
    return false;
}

void WindowFixture::typeInto(PanelEdit* panel, const QString& text) {
    panel->selectAll();
    panel->insertPlainText(text);
    if (text.isEmpty()) panel->markChanged(true);  // an empty panel typed empty is a change too
}

QStringList WindowFixture::panelTexts() const {
    return {window->rTxtCode->storedText(), window->rTxtDeclares->storedText(),
            window->rTxtNotes->storedText()};
}
