#include "ViewControllers/RemoteSetup/RemoteSetupCanvas.h"

#include <QPainter>

namespace zelvo {

RemoteSetupCanvas::RemoteSetupCanvas(QSize size) {
  if (size.isValid() && !size.isEmpty()) {
    canvas_ = QImage(size, QImage::Format_RGB32);
    clear();
  }
}

void RemoteSetupCanvas::clear() {
  if (!canvas_.isNull()) canvas_.fill(Key);
}

QRect RemoteSetupCanvas::drawImage(const QImage& picture, QPoint offset) {
  if (canvas_.isNull() || picture.isNull()) return QRect();
  const QRect target = QRect(offset, picture.size()).intersected(canvas_.rect());
  if (target.isEmpty()) return QRect();
  QPainter painter(&canvas_);
  // Over what was there: a picture's transparent parts keep the older pictures.
  painter.drawImage(offset, picture);
  return target;
}

bool RemoteSetupCanvas::resize(QSize size) {
  if (size == canvas_.size()) return false;
  RemoteSetupCanvas resized(size);
  if (!canvas_.isNull() && !resized.canvas_.isNull()) {
    QPainter painter(&resized.canvas_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint(0, 0), canvas_);
  }
  canvas_ = std::move(resized.canvas_);
  return true;
}

QImage RemoteSetupCanvas::masked(const QRect& area) const {
  const QRect part = area.intersected(canvas_.rect());
  if (part.isEmpty()) return QImage();
  QImage result = canvas_.copy(part).convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < result.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
    for (int x = 0; x < result.width(); ++x) {
      // RGB32 keeps the unused byte at 0xFF, so the comparison sees the colour alone.
      if ((line[x] | 0xFF000000u) == Key) line[x] = 0;
    }
  }
  return result;
}

}  // namespace zelvo
