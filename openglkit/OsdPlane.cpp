#include "openglkit/OsdPlane.h"

#include <cmath>

#include <QImage>
#include <QPainter>
#include <QRadialGradient>

#include "Foundation/Assert.h"
#include "openglkit/OsdImage.h"
#include "openglkit/OsdPainting.h"
#include "openglkit/OsdTextBox.h"

namespace zelvo {

OsdPlane::OsdPlane() : _background(Rgba::black(), Rgba::black()) {}

OsdPlane::~OsdPlane() = default;

void OsdPlane::put(const std::string& key, std::unique_ptr<OsdElement> element) {
  for (auto& [name, existing] : _elements) {
    if (name == key) {
      existing = std::move(element);
      return;
    }
  }
  _elements.emplace_back(key, std::move(element));
}

void OsdPlane::addTextBox(const std::string& key, const OsdTextAttributes& attributes, const std::string& defaultText,
                          const OsdRect& position) {
  put(key, std::make_unique<OsdTextBox>(position, attributes, defaultText));
}

void OsdPlane::addImage(const std::string& key, const QImage& image, const OsdRect& position) {
  put(key, std::make_unique<OsdImage>(position, image));
}

OsdElement* OsdPlane::element(const std::string& key) const {
  for (const auto& [name, element] : _elements)
    if (name == key) return element.get();
  return nullptr;
}

void OsdPlane::setText(const std::string& key, std::optional<std::string> text) {
  if (auto* textBox = dynamic_cast<OsdTextBox*>(element(key))) textBox->setText(std::move(text));
  _dirty = true;
}

void OsdPlane::setVisible(const std::string& key, bool visible) {
  if (OsdElement* found = element(key)) found->setVisible(visible);
}

void OsdPlane::setFrame(int page, bool, float left, float top, float right, float bottom) {
  _frame = {left, bottom, static_cast<double>(right) - left, static_cast<double>(top) - bottom};
  _page = page;
  _dirty = true;
}

void OsdPlane::setBackgroundColor(const Rgba& color) {
  _background = Gradient(color, color);
  _dirty = true;
}

void OsdPlane::setBackground(const Gradient& gradient) {
  _background = gradient;
  _dirty = true;
}

Rgba OsdPlane::firstColor() const {
  if (_background.numberOfColorStops() <= 0)
    preconditionFailed(__func__, __FILE__, __LINE__, "[gradient numberOfColorStops] > 0");
  return _background.stops().front().color;
}

bool OsdPlane::hasFlatBackground() const {
  const auto& stops = _background.stops();
  if (stops.size() > 2) return true;
  for (const GradientStop& stop : stops)
    if (!(stop.color == stops.front().color)) return false;
  return true;
}

void OsdPlane::drawBackground(QPainter& painter) const {
  const QRectF rect = deviceRect(_frame, painter.device()->height());
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  // The background replaces what the canvas held, so a clear background really is clear.
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  if (hasFlatBackground()) {
    painter.fillRect(rect, toQColor(firstColor()));
  } else {
    // Centred in the frame; the outer circle just encloses the frame.
    QRadialGradient radial(rect.center(), std::hypot(rect.width(), rect.height()) / 2.0);
    for (const GradientStop& stop : _background.stops()) radial.setColorAt(stop.location, toQColor(stop.color));
    painter.fillRect(rect, radial);
  }
  painter.restore();
}

bool OsdPlane::draw(QPainter& painter) {
  if (_page != 0) return false;
  drawBackground(painter);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  for (const auto& [key, element] : _elements)
    if (element->visible()) element->draw(painter, _frame);
  painter.restore();
  _dirty = false;
  return true;
}

}  // namespace zelvo
