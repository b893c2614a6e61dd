#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Layouts and placements are given in twips, 1/1440 inch; this is the one
// place that turns them into pixels, with the screen's logical DPI.
namespace platform::twips {

constexpr double kPerInch = 1440.0;

double logicalDpi();
int toPixels(double twips);
float fromPixels(int pixels);
QRect toPixels(int left, int top, int width, int height);

}  // namespace platform::twips
