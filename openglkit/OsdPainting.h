#pragma once
// The few conversions between the on-screen display's own values and QPainter's. The canvas
// measures from its bottom-left corner; a QImage stores its rows top row first, so every
// rectangle is turned over here and nowhere else (a flipped painter would mirror the text).

#include <QColor>
#include <QRectF>

#include "openglkit/OsdRect.h"
#include "openglkit/Rgba.h"

namespace zelvo {

inline QRectF deviceRect(const OsdRect& rect, double canvasHeight) {
  return QRectF(rect.x, canvasHeight - rect.y - rect.height, rect.width, rect.height);
}

inline QColor toQColor(const Rgba& color) {
  return QColor::fromRgbF(color.red, color.green, color.blue, color.alpha);
}

}  // namespace zelvo
