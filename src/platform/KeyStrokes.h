#pragma once

#include <QList>
#include <QString>
#include <Qt>

class QWidget;

namespace platform {

struct KeyStroke {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool operator==(const KeyStroke&) const = default;
};

// Reads the keystroke notation: "+" holds Shift, "^" Control and "%" Alt for
// the key that follows; a key name stands in braces ("+{INSERT}"), any other
// character is its own key.
QList<KeyStroke> parseKeyStrokes(const QString& keys);

// Delivers the keystrokes once the event loop runs again, to `target` or, when
// it is null or gone, to the control that has the focus at that moment.
void postKeyStrokes(const QList<KeyStroke>& strokes, QWidget* target);

}  // namespace platform
