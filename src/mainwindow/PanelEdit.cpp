#include "mainwindow/PanelEdit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextBlock>

#include "platform/Fonts.h"
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

// The editor starts a new paragraph at each of these, and gives back a plain
// line feed for every one.
const QString kLineEnds[] = {
    QStringLiteral("\n"),   QStringLiteral("\r\n"), QStringLiteral("\r"),
    QString(QChar(0x2029)), QString(QChar(0xFDD0)), QString(QChar(0xFDD1)),
};

// A line end that is not the text's usual one is marked in the character
// format of the paragraph separator that stands for it. The mark goes where
// its separator goes: deleted with it, kept when the lines around it change,
// restored by undo. A separator the editor makes anew takes the format of the
// character before it, which may carry a mark, so Enter and pasting set the
// marks of the separators they make (markLineEnds).
constexpr int kLineEnd = QTextFormat::UserProperty + 1;

// The length of the line end at `i`, and which it is; 0 when there is none.
int lineEndAt(const QString& text, qsizetype i, int& kind) {
    const QChar c = text[i];
    if (c.unicode() > u'\r' && c.unicode() < 0x2029) return 0;  // most characters
    if (c == QLatin1Char('\r')) {
        const bool crlf = i + 1 < text.size() && text[i + 1] == QLatin1Char('\n');
        kind = crlf ? 1 : 2;
        return crlf ? 2 : 1;
    }
    for (int k : {0, 3, 4, 5})
        if (c == kLineEnds[k][0]) {
            kind = k;
            return 1;
        }
    return 0;
}

// A long text is shown with most of its line ends as line separators, which
// the editor keeps inside one paragraph: a paragraph per line costs far more
// time and memory than the text itself (a 5 MB snippet takes a third of a
// second to show, against a twentieth).
constexpr int kLinesBeforeGrouping = 10000;
constexpr int kLinesPerParagraph = 256;

// The line ends of `text`, in order.
QList<int> lineEndsOf(const QString& text) {
    QList<int> ends;
    for (qsizetype i = 0; i < text.size(); ++i) {
        int kind = 0;
        if (const int length = lineEndAt(text, i, kind)) {
            ends << kind;
            i += length - 1;
        }
    }
    return ends;
}

// Text copied from a panel carries its exact characters in this form as well,
// so that pasting it into a panel (Copy is a cut and a paste) keeps its line
// ends as they were.
constexpr char kExactText[] = "application/x-snibbet-text";

}  // namespace

void PanelEdit::showStoredText(const QString& text) {
    display(text, true);
}

void PanelEdit::display(const QString& text, bool mayGroup) {
    const QList<int> ends = lineEndsOf(text);
    const auto first = std::find_if(ends.cbegin(), ends.cend(), [](int k) { return k <= 2; });
    usualLineEnd_ = first == ends.cend() ? 0 : *first;
    const bool alike =
        std::all_of(ends.cbegin(), ends.cend(), [&](int k) { return k == usualLineEnd_; });
    // Grouping needs every separator in the panel to stand for a line end.
    grouped_ = mayGroup && alike && ends.size() >= kLinesBeforeGrouping &&
               !text.contains(QChar::LineSeparator);

    moveCursor(QTextCursor::Start);  // no selection to take the format
    setCurrentCharFormat(QTextCharFormat());
    if (grouped_) {
        QString joined;
        joined.reserve(text.size());
        int line = 0;
        qsizetype lineStart = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            int kind = 0;
            if (const int length = lineEndAt(text, i, kind)) {
                joined += QStringView(text).sliced(lineStart, i - lineStart);
                joined += ++line % kLinesPerParagraph ? QChar::LineSeparator : QChar(u'\n');
                i += length - 1;
                lineStart = i + 1;
            }
        }
        joined += QStringView(text).sliced(lineStart);
        QTextEdit::setPlainText(joined);
    } else {
        // The editor breaks paragraphs at exactly the line ends found above.
        QTextEdit::setPlainText(text);
        if (!alike) {
            document()->setUndoRedoEnabled(false);  // marking them is no edit
            markLineEnds(document()->begin().next(), ends);
            document()->setUndoRedoEnabled(true);
        }
    }
    markChanged(false);
}

// Gives the separators before the paragraphs from `block` on the line ends
// `ends`, in order: the usual one unmarked, any other marked.
void PanelEdit::markLineEnds(QTextBlock block, const QList<int>& ends) {
    // One edit: the editor lays the text out once, not once per paragraph.
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    for (const int kind : ends) {
        if (!block.isValid() || block.position() == 0) break;
        QTextCharFormat format = block.charFormat();  // its separator's
        if (kind == usualLineEnd_)
            format.clearProperty(kLineEnd);
        else
            format.setProperty(kLineEnd, kind);
        if (format != block.charFormat()) {
            cursor.setPosition(block.position() - 1);
            cursor.setPosition(block.position(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
        block = block.next();
    }
    cursor.endEditBlock();
}

QString PanelEdit::storedText() const {
    return textBetween(0, document()->characterCount() - 1);
}

QString PanelEdit::selectedStoredText() const {
    const QTextCursor cursor = textCursor();
    return textBetween(cursor.selectionStart(), cursor.selectionEnd());
}

QString PanelEdit::textBetween(int from, int to) const {
    QString text;
    for (QTextBlock block = document()->findBlock(from); block.isValid(); block = block.next()) {
        const int start = block.position();
        if (start > to) break;
        if (start > from) {  // the line end before this paragraph is part of the range
            const QVariant marked = block.charFormat().property(kLineEnd);
            const QString& lineEnd = kLineEnds[marked.isValid() ? marked.toInt() : usualLineEnd_];
            // A lone CR right before a LF would read as one CRLF: two stay two.
            if (text.endsWith(QLatin1Char('\r')) && lineEnd.startsWith(QLatin1Char('\n')))
                text += kLineEnds[1];
            else
                text += lineEnd;
        }
        QString part = block.text();
        const int end = start + static_cast<int>(part.size());
        part = part.mid(std::max(0, from - start), std::min(end, to) - std::max(start, from));
        if (grouped_) part.replace(QChar::LineSeparator, kLineEnds[usualLineEnd_]);
        text += part;
    }
    return text;
}

bool PanelEdit::isChanged() const {
    return document()->isModified();
}

void PanelEdit::markChanged(bool changed) {
    document()->setModified(changed);
}

// A grouped panel takes every line separator in it for a line end. Before a
// text that brings line separators of its own comes in, the panel is shown
// again without grouping; the characters, and so the caret's place, stay.
void PanelEdit::ungroupFor(const QString& incoming) {
    if (!grouped_ || !incoming.contains(QChar::LineSeparator)) return;
    const int anchor = textCursor().anchor();
    const int position = textCursor().position();
    const bool changed = isChanged();
    display(storedText(), false);
    QTextCursor again(document());
    again.setPosition(anchor);
    again.setPosition(position, QTextCursor::KeepAnchor);
    setTextCursor(again);
    markChanged(changed);
}

// Cut, Copy and dragging put the exact characters on the clipboard.
QMimeData* PanelEdit::createMimeDataFromSelection() const {
    auto* data = new QMimeData;
    const QString text = selectedStoredText();
    data->setText(text);
    data->setData(QLatin1String(kExactText), text.toUtf8());
    return data;
}

// Text from a panel comes in with its exact characters and line ends. Other
// text comes in as the editor takes it, its line ends the usual one; from a
// formatted text (a web page, a mail) the editor's line separators and
// no-break spaces are layout, not characters anyone typed, so they become line
// ends and spaces.
void PanelEdit::insertFromMimeData(const QMimeData* source) {
    const bool exact = source->hasFormat(QLatin1String(kExactText));
    const QString text =
        exact ? QString::fromUtf8(source->data(QLatin1String(kExactText))) : source->text();
    ungroupFor(text);
    QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart();
    if (exact) {
        cursor.beginEditBlock();
        cursor.removeSelectedText();
        cursor.insertText(text);
        setTextCursor(cursor);
    } else {
        QTextEdit::insertFromMimeData(source);
        cursor = textCursor();
        cursor.joinPreviousEditBlock();
        if (source->hasHtml() && acceptRichText()) plainLayout(start, cursor.position());
    }
    // Every paragraph the text started gets its line end: from the text itself,
    // or the usual one.
    const int started =
        textCursor().block().blockNumber() - document()->findBlock(start).blockNumber();
    const QList<int> ends = exact ? lineEndsOf(text) : QList<int>(started, usualLineEnd_);
    markLineEnds(document()->findBlock(start).next(), ends);
    cursor.endEditBlock();
    ensureCursorVisible();
}

void PanelEdit::plainLayout(int from, int to) {
    QTextCursor cursor(document());
    for (int position = from; position < to; ++position) {
        const QChar c = document()->characterAt(position);
        if (c != QChar::LineSeparator && c != QChar::Nbsp) continue;
        cursor.setPosition(position);
        cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
        if (c == QChar::LineSeparator) {
            cursor.removeSelectedText();
            cursor.insertBlock();
        } else {
            cursor.insertText(QStringLiteral(" "));
        }
    }
}

void PanelEdit::focusOutEvent(QFocusEvent* event) {
    QTextEdit::focusOutEvent(event);
    emit focusLost(event->reason());
}

void PanelEdit::mouseReleaseEvent(QMouseEvent* event) {
    QTextEdit::mouseReleaseEvent(event);
    emit mouseReleased(event->button());
}

// Tab types a tab into the text; Ctrl+Tab and Ctrl+Shift+Tab move between
// controls. Shift+Enter starts a new line like Enter, not the line separator
// the editor would otherwise put into the text.
void PanelEdit::keyPressEvent(QKeyEvent* event) {
    const bool control = event->modifiers() & Qt::ControlModifier;
    if (control && event->key() == Qt::Key_Tab) {
        // QTextEdit's own version refuses while Tab types a tab.
        QWidget::focusNextPrevChild(true);  // NOLINT(bugprone-parent-virtual-call)
        return;
    }
    if (control && event->key() == Qt::Key_Backtab) {
        QWidget::focusNextPrevChild(false);  // NOLINT(bugprone-parent-virtual-call)
        return;
    }
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !isReadOnly()) {
        QKeyEvent plain(event->type(), event->key(), event->modifiers() & ~Qt::ShiftModifier,
                        event->text());
        QTextEdit::keyPressEvent(&plain);
        // The paragraph the caret now starts begins with the line end just typed.
        QTextCursor cursor = textCursor();
        cursor.joinPreviousEditBlock();
        markLineEnds(cursor.block(), {usualLineEnd_});
        cursor.endEditBlock();
        return;
    }
    QTextEdit::keyPressEvent(event);
}
