#pragma once

#include <QPointF>
#include <QSizeF>

class QWidget;

// Placing a window on the screen: centred across, with its middle at
// 1/`heightDivisor` of the screen's height, in twips and single precision.
// The result is used as it is: a window larger than the screen gets a
// negative position.
namespace platform::placement {

QPointF position(QSizeF screenTwips, QSizeF windowTwips, float heightDivisor);
void place(QWidget& window, QSizeF screenTwips, float heightDivisor);

}  // namespace platform::placement
