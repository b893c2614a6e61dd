#include "mainwindow/PanelEdit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include "mainwindow/Fonts.h"
#include "platform/Twips.h"

PanelEdit::PanelEdit(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(true);
    // The menu opens on the button's release, not on its press.
    setContextMenuPolicy(Qt::PreventContextMenu);
    // Code keeps its lines as written; the notes panel wraps them (see layout).
    setLineWrapMode(QTextEdit::NoWrap);
    document()->setDefaultFont(fonts::panelFont());
    setFont(fonts::panelFont());
    setTabStopDistance(platform::twips::toPixels(720));
    setTabChangesFocus(false);
}

void PanelEdit::setPlainText(const QString& text) {
    moveCursor(QTextCursor::Start);  // no selection to take the format
    setCurrentCharFormat(QTextCharFormat());
    QTextEdit::setPlainText(text);
}

void PanelEdit::focusOutEvent(QFocusEvent* event) {
    QTextEdit::focusOutEvent(event);
    emit focusLost(event->reason());
}

void PanelEdit::mouseReleaseEvent(QMouseEvent* event) {
    QTextEdit::mouseReleaseEvent(event);
    emit mouseReleased(event->button());
}

// Tab types a tab into the text; Ctrl+Tab and Ctrl+Shift+Tab move between controls.
void PanelEdit::keyPressEvent(QKeyEvent* event) {
    const bool control = event->modifiers() & Qt::ControlModifier;
    if (control && event->key() == Qt::Key_Tab) {
        QWidget::focusNextPrevChild(true);  // QTextEdit itself refuses while Tab types
        return;
    }
    if (control && event->key() == Qt::Key_Backtab) {
        QWidget::focusNextPrevChild(false);
        return;
    }
    QTextEdit::keyPressEvent(event);
}
