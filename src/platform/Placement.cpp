#include "platform/Placement.h"

#include <QWidget>

#include "platform/Twips.h"

namespace platform::placement {

QPointF position(QSizeF screenTwips, QSizeF windowTwips, float heightDivisor) {
    const float left = static_cast<float>(screenTwips.width()) / 2.0f -
                       static_cast<float>(windowTwips.width()) / 2.0f;
    const float top = static_cast<float>(screenTwips.height()) / heightDivisor -
                      static_cast<float>(windowTwips.height()) / 2.0f;
    return {left, top};
}

void place(QWidget& window, QSizeF screenTwips, float heightDivisor) {
    const QSize outer = window.frameGeometry().size();
    const QPointF at =
        position(screenTwips, {twips::fromPixels(outer.width()), twips::fromPixels(outer.height())},
                 heightDivisor);
    window.move(twips::toPixels(at.x()), twips::toPixels(at.y()));
}

}  // namespace platform::placement
