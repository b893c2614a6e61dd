#pragma once

#include <QTextEdit>

// A text panel: a multi-line rich-text box that reports losing the focus and
// the release of a mouse button, for the main window's handlers.
class PanelEdit : public QTextEdit {
    Q_OBJECT

public:
    explicit PanelEdit(QWidget* parent = nullptr);

    // Shows a text as stored: without any format. QTextEdit's own version
    // gives the whole new text the format at the caret, so an item chosen
    // after a bold word was pasted would show in bold although the library
    // holds plain characters. (The window reaches its panels as PanelEdit.)
    void setPlainText(const QString& text);

signals:
    void focusLost(Qt::FocusReason reason);
    void mouseReleased(Qt::MouseButton button);

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
