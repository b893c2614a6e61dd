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

namespace {

// A long text is shown with most of its line ends as line separators, which
// the editor keeps inside one paragraph: a paragraph per line costs far more
// time and memory than the text itself (a 5 MB snippet takes a third of a
// second to show, against a twentieth). The plain text the panel gives back
// turns every separator into a line end again, so what is saved is what was
// loaded.
constexpr int kLinesBeforeGrouping = 10000;
constexpr int kLinesPerParagraph = 256;

QString groupedLines(const QString& text) {
    if (text.count(QLatin1Char('\n')) < kLinesBeforeGrouping) return text;
    QString grouped = text;
    int line = 0;
    for (QChar& c : grouped)
        if (c == QLatin1Char('\n') && ++line % kLinesPerParagraph != 0) c = QChar::LineSeparator;
    return grouped;
}

}  // namespace

void PanelEdit::setPlainText(const QString& text) {
    moveCursor(QTextCursor::Start);  // no selection to take the format
    setCurrentCharFormat(QTextCharFormat());
    QTextEdit::setPlainText(groupedLines(text));
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
