#include "platform/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace platform::twips {

double logicalDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

int toPixels(double twips) {
    return static_cast<int>(std::lround(twips * logicalDpi() / kPerInch));
}

float fromPixels(int pixels) {
    return static_cast<float>(pixels * kPerInch / logicalDpi());
}

QRect toPixels(int left, int top, int width, int height) {
    return {toPixels(left), toPixels(top), toPixels(width), toPixels(height)};
}

}  // namespace platform::twips
