#pragma once

#include <QTextEdit>

// A text panel: a multi-line rich-text box that reports losing the focus and
// the release of a mouse button, for the main window's handlers.
class PanelEdit : public QTextEdit {
    Q_OBJECT

public:
    explicit PanelEdit(QWidget* parent = nullptr);

signals:
    void focusLost(Qt::FocusReason reason);
    void mouseReleased(Qt::MouseButton button);

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
