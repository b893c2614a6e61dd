#include "platform/KeyStrokes.h"

#include <QApplication>
#include <QHash>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "errors/Error.h"
#include "platform/PlatformServices.h"

namespace platform {
namespace {

Qt::Key namedKey(const QString& name) {
    static const QHash<QString, Qt::Key> keys{
        {"DELETE", Qt::Key_Delete}, {"DEL", Qt::Key_Delete},          {"INSERT", Qt::Key_Insert},
        {"INS", Qt::Key_Insert},    {"ENTER", Qt::Key_Return},        {"TAB", Qt::Key_Tab},
        {"ESC", Qt::Key_Escape},    {"HOME", Qt::Key_Home},           {"END", Qt::Key_End},
        {"LEFT", Qt::Key_Left},     {"RIGHT", Qt::Key_Right},         {"UP", Qt::Key_Up},
        {"DOWN", Qt::Key_Down},     {"BACKSPACE", Qt::Key_Backspace},
    };
    const auto found = keys.find(name.toUpper());
    if (found == keys.end())
        throw errors::Error(errors::KeyNameUnknown,
                            QStringLiteral("Unknown key name \"%1\".").arg(name));
    return *found;
}

}  // namespace

QList<KeyStroke> parseKeyStrokes(const QString& keys) {
    QList<KeyStroke> strokes;
    Qt::KeyboardModifiers held;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const QChar c = keys[i];
        if (c == QLatin1Char('+'))
            held |= Qt::ShiftModifier;
        else if (c == QLatin1Char('^'))
            held |= Qt::ControlModifier;
        else if (c == QLatin1Char('%'))
            held |= Qt::AltModifier;
        else {
            Qt::Key key;
            if (c == QLatin1Char('{')) {
                const qsizetype close = keys.indexOf(QLatin1Char('}'), i + 1);
                if (close < 0)
                    throw errors::Error(errors::KeyNameUnknown,
                                        QStringLiteral("Unclosed key name in \"%1\".").arg(keys));
                key = namedKey(keys.mid(i + 1, close - i - 1));
                i = close;
            } else {
                key = static_cast<Qt::Key>(c.toUpper().unicode());
            }
            strokes.append({key, held});
            held = {};
        }
    }
    return strokes;
}

void postKeyStrokes(const QList<KeyStroke>& strokes, QWidget* target) {
    QTimer::singleShot(0, qApp, [strokes, guard = QPointer<QWidget>(target)] {
        for (const KeyStroke& stroke : strokes) {
            QWidget* receiver = guard ? guard.data() : QApplication::focusWidget();
            if (!receiver) return;
            QKeyEvent press(QEvent::KeyPress, stroke.key, stroke.modifiers);
            QKeyEvent release(QEvent::KeyRelease, stroke.key, stroke.modifiers);
            QApplication::sendEvent(receiver, &press);
            QApplication::sendEvent(receiver, &release);
        }
    });
}

}  // namespace platform
