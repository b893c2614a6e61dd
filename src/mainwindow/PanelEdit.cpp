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
// line feed for every one. Each paragraph therefore remembers (as its user
// state) which of them ended it, where a text's line ends are not all alike.
const QString kLineEnds[] = {
    QStringLiteral("\n"),   QStringLiteral("\r\n"), QStringLiteral("\r"),
    QString(QChar(0x2029)), QString(QChar(0xFDD0)), QString(QChar(0xFDD1)),
};
constexpr int kNoLineEnd = -1;  // a paragraph the user made: the usual line end

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
    const QList<int> ends = lineEndsOf(text);
    const auto first = std::find_if(ends.cbegin(), ends.cend(), [](int k) { return k <= 2; });
    lineEnd_ = kLineEnds[first == ends.cend() ? 0 : *first];
    const bool alike =
        std::all_of(ends.cbegin(), ends.cend(), [&](int k) { return kLineEnds[k] == lineEnd_; });
    // Grouping needs every separator in the panel to stand for a line end.
    grouped_ = alike && ends.size() >= kLinesBeforeGrouping && !text.contains(QChar::LineSeparator);

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
        if (!alike) rememberLineEnds(document()->begin(), text, kNoLineEnd);
    }
    markChanged(false);
}

// Gives the paragraphs from `first` on the line ends of `text`, which was just
// put there; the last of them keeps the line end its place had before.
void PanelEdit::rememberLineEnds(const QTextBlock& first, const QString& text, int lastLineEnd) {
    const QList<int> ends = lineEndsOf(text);
    if (ends.isEmpty()) return;
    QTextBlock block = first;
    for (const int kind : ends) {
        block.setUserState(kind);
        block = block.next();
    }
    if (block.isValid())
        block.setUserState(
            lastLineEnd != kNoLineEnd
                ? lastLineEnd
                : static_cast<int>(std::find(std::begin(kLineEnds), std::end(kLineEnds), lineEnd_) -
                                   std::begin(kLineEnds)));
}

QString PanelEdit::storedText() const {
    return textBetween(0, document()->characterCount() - 1);
}

QString PanelEdit::selectedStoredText() const {
    const QTextCursor cursor = textCursor();
    return textBetween(cursor.selectionStart(), cursor.selectionEnd());
}

// Walks the paragraphs from `from` to `to`. A paragraph that the user split
// with Enter leaves its first part without a remembered line end: the line end
// it had belongs to its last part, and the new ones are the usual line end.
QString PanelEdit::textBetween(int from, int to) const {
    QString text;
    int carried = kNoLineEnd;
    for (QTextBlock block = document()->findBlock(from); block.isValid(); block = block.next()) {
        const int start = block.position();
        if (start > to) break;
        QString part = block.text();
        const int end = start + static_cast<int>(part.size());
        part = part.mid(std::max(0, from - start), std::min(end, to) - std::max(start, from));
        if (grouped_) part.replace(QChar::LineSeparator, lineEnd_);
        text += part;
        if (end >= to) break;
        const int own = block.userState() != kNoLineEnd ? block.userState() : carried;
        const bool split = block.next().userState() == kNoLineEnd;
        text += split || own == kNoLineEnd ? lineEnd_ : kLineEnds[own];
        carried = split ? own : kNoLineEnd;
    }
    return text;
}

bool PanelEdit::isChanged() const {
    return document()->isModified();
}

void PanelEdit::markChanged(bool changed) {
    document()->setModified(changed);
}

// Cut, Copy and dragging put the exact characters on the clipboard.
QMimeData* PanelEdit::createMimeDataFromSelection() const {
    auto* data = new QMimeData;
    const QString text = selectedStoredText();
    data->setText(text);
    data->setData(QLatin1String(kExactText), text.toUtf8());
    return data;
}

void PanelEdit::insertFromMimeData(const QMimeData* source) {
    if (!source->hasFormat(QLatin1String(kExactText))) return QTextEdit::insertFromMimeData(source);
    const QString text = QString::fromUtf8(source->data(QLatin1String(kExactText)));
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    const QTextBlock first = cursor.block();
    const int lastLineEnd = first.userState();
    cursor.insertText(text);
    rememberLineEnds(first, text, lastLineEnd);
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
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
    if (enter && (event->modifiers() & Qt::ShiftModifier)) {
        QKeyEvent plain(event->type(), event->key(), event->modifiers() & ~Qt::ShiftModifier,
                        event->text());
        QTextEdit::keyPressEvent(&plain);
        return;
    }
    QTextEdit::keyPressEvent(event);
}
