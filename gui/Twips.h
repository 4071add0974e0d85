#pragma once

#include <QRect>
#include <QtMath>

// Design sizes are in twips: 15 twips are one pixel at 96 dpi.
constexpr int TwipsPerPixel = 15;

inline int twipsToPixels(int twips) {
    return qRound(double(twips) / TwipsPerPixel);
}

inline QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}
