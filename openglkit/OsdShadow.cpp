#include "openglkit/OsdShadow.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <QPainter>

#include "openglkit/OsdPainting.h"

namespace zelvo {

namespace {

// Widths of three box blurs whose succession approximates a Gaussian of the given deviation.
std::array<int, 3> boxWidths(double sigma) {
  constexpr int passes = 3;
  const double ideal = std::sqrt(12.0 * sigma * sigma / passes + 1.0);
  int lower = static_cast<int>(std::floor(ideal));
  if (lower % 2 == 0) --lower;
  const int upper = lower + 2;
  const double m = (12.0 * sigma * sigma - passes * lower * lower - 4.0 * passes * lower - 3.0 * passes) /
                   (-4.0 * lower - 4.0);
  const int lowerCount = static_cast<int>(std::lround(m));
  std::array<int, 3> widths{};
  for (int i = 0; i < passes; ++i) widths[i] = i < lowerCount ? lower : upper;
  return widths;
}

// One box blur of radius r along a line of `count` values `stride` apart; `line` is scratch.
void boxLine(float* values, int count, int stride, int r, std::vector<float>& line) {
  line.resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) line[static_cast<size_t>(i)] = values[static_cast<ptrdiff_t>(i) * stride];
  const float scale = 1.0f / static_cast<float>(2 * r + 1);
  float sum = 0.0f;
  for (int i = 0; i <= std::min(r, count - 1); ++i) sum += line[static_cast<size_t>(i)];
  for (int i = 0; i < count; ++i) {
    values[static_cast<ptrdiff_t>(i) * stride] = sum * scale;
    const int enter = i + r + 1;
    const int leave = i - r;
    if (enter < count) sum += line[static_cast<size_t>(enter)];
    if (leave >= 0) sum -= line[static_cast<size_t>(leave)];
  }
}

}  // namespace

OsdShadow::OsdShadow(double blurRadius, const Rgba& color) : _blurRadius(blurRadius), _color(color) {}

void OsdShadow::blur(std::vector<float>& alpha, int width, int height, double sigma) {
  if (sigma <= 0.0 || width <= 0 || height <= 0) return;
  std::vector<float> line;
  for (int boxWidth : boxWidths(sigma)) {
    const int r = (boxWidth - 1) / 2;
    if (r <= 0) continue;
    for (int y = 0; y < height; ++y) boxLine(alpha.data() + static_cast<ptrdiff_t>(y) * width, width, 1, r, line);
    for (int x = 0; x < width; ++x) boxLine(alpha.data() + x, height, width, r, line);
  }
}

void OsdShadow::draw(QPainter& painter, const QRectF& bounds, const std::function<void(QPainter&)>& paint) const {
  const double sigma = _blurRadius / 2.0;
  const int pad = static_cast<int>(std::ceil(3.0 * sigma)) + 1;
  // Only the part that can land on the device is worth blurring.
  QRectF area = bounds.adjusted(-pad, -pad, pad, pad);
  if (const QPaintDevice* device = painter.device())
    area = area.intersected(QRectF(-pad, -pad, device->width() + 2.0 * pad, device->height() + 2.0 * pad));
  const int left = static_cast<int>(std::floor(area.left()));
  const int top = static_cast<int>(std::floor(area.top()));
  const int width = static_cast<int>(std::ceil(area.right())) - left;
  const int height = static_cast<int>(std::ceil(area.bottom())) - top;

  if (width > 0 && height > 0 && _color.alpha > 0.0f) {
    QImage scratch(width, height, QImage::Format_ARGB32_Premultiplied);
    scratch.fill(Qt::transparent);
    {
      QPainter shape(&scratch);
      shape.setRenderHints(painter.renderHints());
      shape.translate(-left, -top);
      paint(shape);
    }
    std::vector<float> alpha(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
      const QRgb* row = reinterpret_cast<const QRgb*>(scratch.constScanLine(y));
      for (int x = 0; x < width; ++x) alpha[static_cast<size_t>(y) * width + x] = qAlpha(row[x]) / 255.0f;
    }
    blur(alpha, width, height, sigma);
    // The shadow colour, premultiplied by the blurred coverage.
    for (int y = 0; y < height; ++y) {
      QRgb* row = reinterpret_cast<QRgb*>(scratch.scanLine(y));
      for (int x = 0; x < width; ++x) {
        const float a = std::clamp(alpha[static_cast<size_t>(y) * width + x], 0.0f, 1.0f) * _color.alpha;
        const auto channel = [a](float c) { return static_cast<int>(std::lround(std::clamp(c, 0.0f, 1.0f) * a * 255.0f)); };
        row[x] = qRgba(channel(_color.red), channel(_color.green), channel(_color.blue),
                       static_cast<int>(std::lround(a * 255.0f)));
      }
    }
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(QPointF(left, top), scratch);
    painter.restore();
  }
  paint(painter);
}

}  // namespace zelvo
