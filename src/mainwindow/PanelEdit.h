#pragma once

#include <QTextEdit>

class QMimeData;
class QTextBlock;

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

    // Shows a stored text, without any format, and marks the panel unchanged.
    void showStoredText(const QString& text);
    // The text to store: what was shown, with the user's changes.
    QString storedText() const;
    // The selected part of it, as the clipboard receives it.
    QString selectedStoredText() const;
    bool isChanged() const;
    void markChanged(bool changed);

signals:
    void focusLost(Qt::FocusReason reason);
    void mouseReleased(Qt::MouseButton button);

protected:
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
    void plainLayout(int from, int to);

    // The line end of a new line, and of every line whose paragraph is not
    // marked otherwise: the first line end of the text shown (LF, CRLF or CR).
    int usualLineEnd_ = 0;
    // Lines grouped into one paragraph are joined by line separators, which
    // then stand for line ends (see showStoredText).
    bool grouped_ = false;
};
