#include "platform/Fonts.h"

#include <QStringList>

namespace fonts {
namespace {

QFont sans(double points) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(points);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

}  // namespace

void installFallbacks() {
    QFont::insertSubstitutions(
        QStringLiteral("MS Sans Serif"),
        QStringList{QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
}

QFont formFont() {
    return sans(8.25);
}
QFont panelFont() {
    return sans(8.5);
}

}  // namespace fonts
