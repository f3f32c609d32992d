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

OsdPlane::OsdPlane() : background_(Rgba::black(), Rgba::black()) {}

OsdPlane::~OsdPlane() = default;

void OsdPlane::put(const std::string& key, std::unique_ptr<OsdElement> element) {
  for (auto& [name, existing] : elements_) {
    if (name == key) {
      existing = std::move(element);
      return;
    }
  }
  elements_.emplace_back(key, std::move(element));
}

void OsdPlane::addTextBox(const std::string& key, const OsdTextAttributes& attributes, const std::string& defaultText,
                          const OsdRect& position) {
  put(key, std::make_unique<OsdTextBox>(position, attributes, defaultText));
}

void OsdPlane::addImage(const std::string& key, const QImage& image, const OsdRect& position) {
  put(key, std::make_unique<OsdImage>(position, image));
}

OsdElement* OsdPlane::element(const std::string& key) const {
  for (const auto& [name, element] : elements_)
    if (name == key) return element.get();
  return nullptr;
}

void OsdPlane::setText(const std::string& key, std::optional<std::string> text) {
  if (auto* textBox = dynamic_cast<OsdTextBox*>(element(key))) textBox->setText(std::move(text));
  dirty_ = true;
}

void OsdPlane::setVisible(const std::string& key, bool visible) {
  if (OsdElement* found = element(key)) found->setVisible(visible);
}

void OsdPlane::setFrame(int page, bool, float left, float top, float right, float bottom) {
  frame_ = {left, bottom, static_cast<double>(right) - left, static_cast<double>(top) - bottom};
  page_ = page;
  dirty_ = true;
}

void OsdPlane::setBackgroundColor(const Rgba& color) {
  background_ = Gradient(color, color);
  dirty_ = true;
}

void OsdPlane::setBackground(const Gradient& gradient) {
  background_ = gradient;
  dirty_ = true;
}

Rgba OsdPlane::firstColor() const {
  if (background_.numberOfColorStops() <= 0)
    preconditionFailed(__func__, __FILE__, __LINE__, "[gradient numberOfColorStops] > 0");
  return background_.stops().front().color;
}

bool OsdPlane::hasFlatBackground() const {
  const auto& stops = background_.stops();
  if (stops.size() > 2) return true;
  for (const GradientStop& stop : stops)
    if (!(stop.color == stops.front().color)) return false;
  return true;
}

void OsdPlane::drawBackground(QPainter& painter) const {
  const QRectF rect = deviceRect(frame_, painter.device()->height());
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  // The background replaces what the canvas held, so a clear background really is clear.
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  if (hasFlatBackground()) {
    painter.fillRect(rect, toQColor(firstColor()));
  } else {
    // Centred in the frame; the outer circle just encloses the frame.
    QRadialGradient radial(rect.center(), std::hypot(rect.width(), rect.height()) / 2.0);
    for (const GradientStop& stop : background_.stops()) radial.setColorAt(stop.location, toQColor(stop.color));
    painter.fillRect(rect, radial);
  }
  painter.restore();
}

bool OsdPlane::draw(QPainter& painter) {
  if (page_ != 0) return false;
  drawBackground(painter);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  for (const auto& [key, element] : elements_)
    if (element->visible()) element->draw(painter, frame_);
  painter.restore();
  dirty_ = false;
  return true;
}

}  // namespace zelvo
