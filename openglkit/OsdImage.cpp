#include "openglkit/OsdImage.h"

#include <QPainter>

#include "openglkit/OsdPainting.h"

namespace zelvo {

OsdImage::OsdImage(const OsdRect& position, const QImage& image) : OsdElement(position) { setImage(image); }

void OsdImage::setImage(const QImage& image) {
  _image = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void OsdImage::draw(QPainter& painter, const OsdRect& frame) const {
  if (_image.isNull()) return;
  const OsdRect rect = rectElement(frame, {static_cast<double>(_image.width()), static_cast<double>(_image.height())});
  if (rect.width <= 0 || rect.height <= 0) return;
  painter.save();
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter.drawImage(deviceRect(rect, painter.device() ? painter.device()->height() : 0), _image);
  painter.restore();
}

}  // namespace zelvo
