#pragma once

#include <QTextEdit>

class QMimeData;
class QTextBlock;
class QKeyEvent;
class QTimer;

// A text panel: a multi-line rich-text box that reports losing the focus and
// the release of a mouse button, for the main window's handlers.
//
// It shows a stored text and gives it back exactly, character for character:
// its line ends as they were (CRLF stays CRLF, a lone CR stays one), and the
// characters that the editor itself would turn into others on the way out (a
// no-break space, a paragraph or line separator) as they are. What the user
// did not change comes back unchanged.
class PanelEdit : public QTextEdit {
    Q_OBJECT

public:
    explicit PanelEdit(QWidget* parent = nullptr);
    ~PanelEdit() override;

    // Shows a stored text, without any format, and marks the panel unchanged.
    void showStoredText(const QString& text);
    // The text to store: what was shown, with the user's changes.
    QString storedText() const;
    // The selected part of it, as the clipboard receives it.
    QString selectedStoredText() const;
    bool isChanged() const;
    void markChanged(bool changed);
    // The selection onto the clipboard, exactly; the text stays as it is, and
    // the caret goes to the selection's end.
    void copyExactly();
    // Empties the panel as one step that undo takes back.
    void clearAll();

signals:
    void focusLost(Qt::FocusReason reason);
    void mouseReleased(Qt::MouseButton button);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QMimeData* createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void display(const QString& text, bool mayGroup);
    QString textBetween(int from, int to) const;
    void markLineEnds(QTextBlock block, const QList<int>& ends);
    void ungroupFor(const QString& incoming);
    void insertText(const QString& text, bool exact);
    bool mayGroupWith(const QString& incoming) const;
    void plainLayout(int from, int to);
    void stayAfterByteOrderMark();
    bool erasesByteOrderMark(const QKeyEvent* event) const;
    void holdLayout();
    void releaseLayout();
    void followLayout();

    // The line end of a new line, and of every line whose paragraph is not
    // marked otherwise: the first line end of the text shown (LF, CRLF or CR).
    int usualLineEnd_ = 0;
    // Lines grouped into one paragraph are joined by line separators, which
    // then stand for line ends (see showStoredText).
    bool grouped_ = false;
    // A large change is laid out line by line while the window goes on
    // answering, rather than all at once (see holdLayout).
    bool layoutHeld_ = false;
    QSizeF pageSize_;
    QTimer* layoutWatch_ = nullptr;  // runs while the caret waits for the layout
};
