#include "platform/Placement.h"

#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <memory>

#include "platform/Twips.h"

namespace platform::placement {
namespace {

// How long a shown window is watched for the frame its desktop gives it.
constexpr int kFrameWatchMs = 2000;
constexpr int kFrameWatchStepMs = 10;

bool frameIsKnown(const QWidget& window) {
    return window.isVisible() && window.windowHandle() &&
           !window.windowHandle()->frameMargins().isNull();
}

void moveByOuterSize(QWidget& window, QSizeF screenTwips, float heightDivisor) {
    const QSize outer = window.frameGeometry().size();
    const QPointF at =
        position(screenTwips, {twips::fromPixels(outer.width()), twips::fromPixels(outer.height())},
                 heightDivisor);
    // A window's position is that of its frame.
    window.move(twips::toPixels(at.x()), twips::toPixels(at.y()));
}

}  // namespace

QPointF position(QSizeF screenTwips, QSizeF windowTwips, float heightDivisor) {
    const float left = static_cast<float>(screenTwips.width()) / 2.0f -
                       static_cast<float>(windowTwips.width()) / 2.0f;
    const float top = static_cast<float>(screenTwips.height()) / heightDivisor -
                      static_cast<float>(windowTwips.height()) / 2.0f;
    return {left, top};
}

// The desktop adds a window's frame and title bar only once it is shown, so
// until then its outer size is its inner size. It is placed by that at once,
// and placed again by its outer size as soon as the frame is known (a few
// milliseconds after showing, before the user can notice).
void place(QWidget& window, QSizeF screenTwips, float heightDivisor) {
    moveByOuterSize(window, screenTwips, heightDivisor);
    if (frameIsKnown(window)) return;
    auto* watch = new QTimer(&window);
    auto steps = std::make_shared<int>(kFrameWatchMs / kFrameWatchStepMs);
    QObject::connect(watch, &QTimer::timeout, &window,
                     [watch, steps, &window, screenTwips, heightDivisor] {
                         const bool framed = frameIsKnown(window);
                         if (framed) moveByOuterSize(window, screenTwips, heightDivisor);
                         if (framed || --*steps <= 0) watch->deleteLater();
                     });
    watch->start(kFrameWatchStepMs);
}

}  // namespace platform::placement
