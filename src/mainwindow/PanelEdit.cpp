#include "mainwindow/PanelEdit.h"

#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyleHints>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>

#include "platform/Fonts.h"
#include "platform/Twips.h"
#include "store/StoredText.h"

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
// second to show, against a twentieth). A long text pasted is grouped the
// same way.
constexpr int kLinesBeforeGrouping = 10000;
constexpr int kLinesPerParagraph = 256;

// The editor lays out a change at once, and a change of many lines takes it
// seconds (a 5 MB paste four, 50 MB many minutes); the whole text laid out
// again step by step, between the window's other events, takes far less.
constexpr int kLayoutLaterFrom = 100000;  // characters added in one change

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
// so that pasting it into a panel keeps its line ends as they were, and its
// bytes that are no UTF-8.
constexpr char kExactText[] = "application/x-snibbet-text";

// The caret blinks by asking for its place on the screen, and the editor lays
// out every line before it to answer. While a panel's long text is laid out
// step by step, the carets stay lit, without blinking; the desktop's blinking
// comes back when the last panel is done.
int panelsWaiting = 0;
int blinkingTime = 0;

void stopBlinking() {
    if (panelsWaiting++ > 0) return;
    QStyleHints* hints = QGuiApplication::styleHints();
    blinkingTime = hints->cursorFlashTime();
    hints->setCursorFlashTime(0);
}

void startBlinking() {
    if (--panelsWaiting == 0) QGuiApplication::styleHints()->setCursorFlashTime(blinkingTime);
}

}  // namespace

PanelEdit::PanelEdit(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(true);
    // The menu opens on the button's release, not on its press.
    setContextMenuPolicy(Qt::PreventContextMenu);
    // Code keeps its lines as written; the notes panel wraps them (see layout).
    setLineWrapMode(QTextEdit::NoWrap);
    // Kerning and ligatures are no part of code, and text laid out without
    // them takes half the time; a script that needs shaping is still shaped.
    QFont font = fonts::panelFont();
    font.setStyleStrategy(QFont::PreferNoShaping);
    document()->setDefaultFont(font);
    setFont(font);
    setTabStopDistance(platform::twips::toPixels(720));
    setTabChangesFocus(false);
    layoutWatch_ = new QTimer(this);
    layoutWatch_->setInterval(100);
    connect(layoutWatch_, &QTimer::timeout, this, &PanelEdit::followLayout);
    // Told before the editor lays the change out.
    connect(document(), &QTextDocument::contentsChange, this, [this](int, int, int added) {
        if (added >= kLayoutLaterFrom) holdLayout();
    });
    connect(this, &QTextEdit::cursorPositionChanged, this, &PanelEdit::stayAfterByteOrderMark);
}

PanelEdit::~PanelEdit() {
    if (layoutWatch_->isActive()) startBlinking();
}

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
    // A lone CR right before a LF would read back as one CRLF: that LF is
    // written as a CRLF, so that two line ends stay two.
    const auto addLineEnd = [&text](const QString& lineEnd) {
        if (text.endsWith(QLatin1Char('\r')) && lineEnd.startsWith(QLatin1Char('\n')))
            text += kLineEnds[1];
        else
            text += lineEnd;
    };
    for (QTextBlock block = document()->findBlock(from); block.isValid(); block = block.next()) {
        const int start = block.position();
        if (start > to) break;
        if (start > from) {  // the line end before this paragraph is part of the range
            const QVariant marked = block.charFormat().property(kLineEnd);
            addLineEnd(kLineEnds[marked.isValid() ? marked.toInt() : usualLineEnd_]);
        }
        const QString all = block.text();
        const int end = start + static_cast<int>(all.size());
        const QStringView part = QStringView(all).mid(std::max(0, from - start),
                                                      std::min(end, to) - std::max(start, from));
        if (!grouped_) {
            text += part;
            continue;
        }
        // In a grouped panel each line separator stands for the usual line end.
        for (qsizetype at = 0;;) {
            const qsizetype next = part.indexOf(QChar::LineSeparator, at);
            text += part.sliced(at, (next < 0 ? part.size() : next) - at);
            if (next < 0) break;
            addLineEnd(kLineEnds[usualLineEnd_]);
            at = next + 1;
        }
    }
    return text;
}

bool PanelEdit::isChanged() const {
    return document()->isModified();
}

void PanelEdit::markChanged(bool changed) {
    document()->setModified(changed);
}

// Copy changes nothing: the editor's own copy puts the exact characters on
// the clipboard, and the selection gives way to the caret at its end, as if
// the selection had been cut and pasted back.
void PanelEdit::copyExactly() {
    copy();
    QTextCursor cursor = textCursor();
    cursor.setPosition(cursor.selectionEnd());
    setTextCursor(cursor);
}

// Like cutting everything: what was marked and grouped comes back with undo.
// Inside an edit the cursor does not ask where its end is on the screen, which
// would lay out every line of a long text at once.
void PanelEdit::clearAll() {
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    cursor.endEditBlock();
    setTextCursor(cursor);
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

// Cut, Copy and dragging put the exact characters on the clipboard; other
// programs get them as text, a byte that is no UTF-8 as U+FFFD.
QMimeData* PanelEdit::createMimeDataFromSelection() const {
    auto* data = new QMimeData;
    const QString text = selectedStoredText();
    data->setText(store::readableText(text));
    data->setData(QLatin1String(kExactText), store::storedFromText(text));
    return data;
}

// Text from a panel comes in with its exact characters and line ends. Plain
// text from elsewhere comes in as typed, its line ends the usual one. From a
// formatted text (a web page, a mail) the editor's line separators and
// no-break spaces are layout, not characters anyone typed, so they become line
// ends and spaces.
void PanelEdit::insertFromMimeData(const QMimeData* source) {
    const QStringList formats = source->formats();
    if (formats.contains(QLatin1String(kExactText))) {
        insertText(store::textFromStored(source->data(QLatin1String(kExactText))), true);
        return;
    }
    if (!formats.contains(QLatin1String("text/html")) || !acceptRichText()) {
        const QString text = source->text();
        if (!text.isEmpty()) insertText(text, false);
        return;
    }
    const QString text = source->text();
    ungroupFor(text);
    const int start = textCursor().selectionStart();
    QTextEdit::insertFromMimeData(source);
    QTextCursor cursor = textCursor();
    cursor.joinPreviousEditBlock();
    plainLayout(start, cursor.position());
    // Every paragraph the text started gets the usual line end.
    const int started =
        textCursor().block().blockNumber() - document()->findBlock(start).blockNumber();
    markLineEnds(document()->findBlock(start).next(), QList<int>(started, usualLineEnd_));
    cursor.endEditBlock();
}

// Whether a text may come in grouped: every line separator in the panel must
// then stand for a line end.
bool PanelEdit::mayGroupWith(const QString& incoming) const {
    if (grouped_) return true;
    if (incoming.contains(QChar::LineSeparator)) return false;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        if (block.text().contains(QChar::LineSeparator)) return false;
    return true;
}

// Puts `text` in place of the selection as one edit. Exact text keeps its line
// ends; in other text every line end becomes the usual one. A long text comes
// in grouped, like a long text shown.
void PanelEdit::insertText(const QString& text, bool exact) {
    ungroupFor(text);
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    const int start = cursor.position();
    QList<int> ends = lineEndsOf(text);
    if (!exact) {
        ends.fill(usualLineEnd_);
    } else if (document()->isEmpty()) {
        // An empty panel takes the usual line end of the text, as when it is shown: a long
        // CRLF text then comes in grouped, its lines unmarked.
        const auto first = std::find_if(ends.cbegin(), ends.cend(), [](int k) { return k <= 2; });
        if (first != ends.cend()) usualLineEnd_ = *first;
    }
    QList<int> paragraphs;  // the line ends of the paragraphs the text starts
    if (ends.size() < kLinesBeforeGrouping || !mayGroupWith(text)) {
        cursor.insertText(text);
        paragraphs = ends;
    } else {
        // The usual line ends become line separators, all but every so many;
        // every other line end starts a paragraph marked with it.
        QString joined;
        joined.reserve(text.size());
        qsizetype end = 0;
        int linesInParagraph = 0;
        qsizetype lineStart = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            int kind = 0;
            if (const int length = lineEndAt(text, i, kind)) {
                joined += QStringView(text).sliced(lineStart, i - lineStart);
                kind = ends[end++];
                if (kind == usualLineEnd_ && ++linesInParagraph < kLinesPerParagraph) {
                    joined += QChar::LineSeparator;
                } else {
                    joined += QChar(u'\n');
                    paragraphs << kind;
                    linesInParagraph = 0;
                }
                i += length - 1;
                lineStart = i + 1;
            }
        }
        joined += QStringView(text).sliced(lineStart);
        grouped_ = true;
        cursor.insertText(joined);
    }
    markLineEnds(document()->findBlock(start).next(), paragraphs);
    cursor.endEditBlock();
    setTextCursor(cursor);
    if (!layoutHeld_) ensureCursorVisible();
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

// A null page stops the editor's layout for a while: it lays out nothing, and
// answers every question about a place on the screen with an empty one. Once
// the change is done (at the end of the key, or of the event that made it),
// the real page comes back, and with it a layout of the whole text that the
// editor does step by step between the window's events.
void PanelEdit::holdLayout() {
    if (layoutHeld_) return;
    layoutHeld_ = true;
    pageSize_ = document()->pageSize();
    document()->setPageSize(QSizeF(0, 0));
    QTimer::singleShot(0, this, &PanelEdit::releaseLayout);
}

void PanelEdit::releaseLayout() {
    if (!layoutHeld_) return;
    layoutHeld_ = false;
    // The last paragraph is laid out last: until then the caret waits.
    document()->lastBlock().layout()->clearLayout();
    if (!layoutWatch_->isActive()) {
        stopBlinking();
        layoutWatch_->start();
    }
    // A resize meanwhile has already given the editor its page.
    if (document()->pageSize().isNull()) document()->setPageSize(pageSize_);
}

void PanelEdit::followLayout() {
    if (layoutHeld_ || document()->lastBlock().layout()->lineCount() == 0) return;
    layoutWatch_->stop();
    startBlinking();
    if (hasFocus()) ensureCursorVisible();
}

// Taking and losing the focus ask for the caret's place too: while the text
// is still being laid out, they do so with the layout held, and the layout
// then starts again.
void PanelEdit::focusInEvent(QFocusEvent* event) {
    if (layoutWatch_->isActive()) holdLayout();
    QTextEdit::focusInEvent(event);
    releaseLayout();
}

void PanelEdit::focusOutEvent(QFocusEvent* event) {
    if (layoutWatch_->isActive()) holdLayout();
    QTextEdit::focusOutEvent(event);
    releaseLayout();
    emit focusLost(event->reason());
}

void PanelEdit::mouseReleaseEvent(QMouseEvent* event) {
    QTextEdit::mouseReleaseEvent(event);
    emit mouseReleased(event->button());
}

// A text may start with a byte-order mark, which nobody sees: the caret never
// goes in front of it, so that what is typed at the start comes after it, and
// the mark stays the text's first character. Selecting everything takes it.
void PanelEdit::stayAfterByteOrderMark() {
    QTextCursor cursor = textCursor();
    if (cursor.position() != 0 || document()->characterAt(0) != QChar::ByteOrderMark) return;
    if (cursor.hasSelection()) {
        if (cursor.anchor() == 0) return;
        cursor.setPosition(1, QTextCursor::KeepAnchor);
    } else {
        cursor.setPosition(1);
    }
    setTextCursor(cursor);
}

bool PanelEdit::erasesByteOrderMark(const QKeyEvent* event) const {
    const QTextCursor cursor = textCursor();
    return event->key() == Qt::Key_Backspace && !cursor.hasSelection() && cursor.position() == 1 &&
           document()->characterAt(0) == QChar::ByteOrderMark;
}

// Tab types a tab into the text; Ctrl+Tab and Ctrl+Shift+Tab move between
// controls. Shift+Enter starts a new line like Enter, not the line separator
// the editor would otherwise put into the text; Enter with Ctrl, Alt or Meta
// types nothing, and changes nothing.
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
    if (erasesByteOrderMark(event)) return;  // the caret is at the start, as far as anyone sees
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !isReadOnly()) {
        QKeyEvent plain(event->type(), event->key(), event->modifiers() & ~Qt::ShiftModifier,
                        event->text());
        const int revision = document()->revision();
        QTextEdit::keyPressEvent(&plain);
        if (document()->revision() == revision) return;
        // The paragraph the caret now starts begins with the line end just typed.
        QTextCursor cursor = textCursor();
        cursor.joinPreviousEditBlock();
        markLineEnds(cursor.block(), {usualLineEnd_});
        cursor.endEditBlock();
        return;
    }
    // A paste or an undo of many lines is laid out step by step, once the
    // editor has done with the key (it shows the caret at its end).
    QTextEdit::keyPressEvent(event);
    releaseLayout();
}
