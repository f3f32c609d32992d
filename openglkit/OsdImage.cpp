#include "openglkit/OsdImage.h"

#include <QPainter>

#include "openglkit/OsdPainting.h"

namespace zelvo {

OsdImage::OsdImage(const OsdRect& position, const QImage& image) : OsdElement(position) { setImage(image); }

void OsdImage::setImage(const QImage& image) {
  image_ = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void OsdImage::draw(QPainter& painter, const OsdRect& frame) const {
  if (image_.isNull()) return;
  const OsdRect rect = rectElement(frame, {static_cast<double>(image_.width()), static_cast<double>(image_.height())});
  if (rect.width <= 0 || rect.height <= 0) return;
  painter.save();
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter.drawImage(deviceRect(rect, painter.device() ? painter.device()->height() : 0), image_);
  painter.restore();
}

}  // namespace zelvo
