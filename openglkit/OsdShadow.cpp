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

// One box blur of radius r along every row, in place; `line` is scratch.
void boxRows(float* values, int width, int height, int r, std::vector<float>& line) {
  const float scale = 1.0f / static_cast<float>(2 * r + 1);
  line.resize(static_cast<size_t>(width));
  for (int y = 0; y < height; ++y) {
    float* row = values + static_cast<ptrdiff_t>(y) * width;
    std::copy(row, row + width, line.begin());
    float sum = 0.0f;
    for (int i = 0; i <= std::min(r, width - 1); ++i) sum += line[static_cast<size_t>(i)];
    for (int x = 0; x < width; ++x) {
      row[x] = sum * scale;
      if (x + r + 1 < width) sum += line[static_cast<size_t>(x + r + 1)];
      if (x - r >= 0) sum -= line[static_cast<size_t>(x - r)];
    }
  }
}

// The same down every column, a whole row at a time (cache friendly); `copy` is scratch.
void boxColumns(float* values, int width, int height, int r, std::vector<float>& copy, std::vector<float>& sums) {
  const float scale = 1.0f / static_cast<float>(2 * r + 1);
  copy.assign(values, values + static_cast<ptrdiff_t>(width) * height);
  sums.assign(static_cast<size_t>(width), 0.0f);
  const auto row = [&](int y) { return copy.data() + static_cast<ptrdiff_t>(y) * width; };
  for (int y = 0; y <= std::min(r, height - 1); ++y)
    for (int x = 0; x < width; ++x) sums[static_cast<size_t>(x)] += row(y)[x];
  for (int y = 0; y < height; ++y) {
    float* out = values + static_cast<ptrdiff_t>(y) * width;
    for (int x = 0; x < width; ++x) out[x] = sums[static_cast<size_t>(x)] * scale;
    if (y + r + 1 < height)
      for (int x = 0; x < width; ++x) sums[static_cast<size_t>(x)] += row(y + r + 1)[x];
    if (y - r >= 0)
      for (int x = 0; x < width; ++x) sums[static_cast<size_t>(x)] -= row(y - r)[x];
  }
}

}  // namespace

OsdShadow::OsdShadow(double blurRadius, const Rgba& color) : blurRadius_(blurRadius), color_(color) {}

void OsdShadow::blur(std::vector<float>& alpha, int width, int height, double sigma) {
  if (sigma <= 0.0 || width <= 0 || height <= 0) return;
  std::vector<float> line;
  std::vector<float> copy;
  for (int boxWidth : boxWidths(sigma)) {
    const int r = (boxWidth - 1) / 2;
    if (r <= 0) continue;
    boxRows(alpha.data(), width, height, r, line);
    boxColumns(alpha.data(), width, height, r, copy, line);
  }
}

void OsdShadow::draw(QPainter& painter, const QRectF& bounds, const std::function<void(QPainter&)>& paint) const {
  const double sigma = blurRadius_ / 2.0;
  const int pad = static_cast<int>(std::ceil(3.0 * sigma)) + 1;
  // Only the part that can land on the device is worth blurring.
  QRectF area = bounds.adjusted(-pad, -pad, pad, pad);
  if (const QPaintDevice* device = painter.device())
    area = area.intersected(QRectF(-pad, -pad, device->width() + 2.0 * pad, device->height() + 2.0 * pad));
  const int left = static_cast<int>(std::floor(area.left()));
  const int top = static_cast<int>(std::floor(area.top()));
  const int width = static_cast<int>(std::ceil(area.right())) - left;
  const int height = static_cast<int>(std::ceil(area.bottom())) - top;

  if (width > 0 && height > 0 && color_.alpha > 0.0f) {
    // A wide blur loses nothing at half resolution and costs a quarter: the frames of a
    // whole plane are blurred this way, the thin text shadows at full resolution.
    const double scale = sigma >= 2.0 ? 0.5 : 1.0;
    const int scratchWidth = std::max(1, static_cast<int>(std::ceil(width * scale)));
    const int scratchHeight = std::max(1, static_cast<int>(std::ceil(height * scale)));
    QImage scratch(scratchWidth, scratchHeight, QImage::Format_ARGB32_Premultiplied);
    scratch.fill(Qt::transparent);
    {
      QPainter shape(&scratch);
      shape.setRenderHints(painter.renderHints());
      shape.scale(scale, scale);
      shape.translate(-left, -top);
      paint(shape);
    }
    std::vector<float> alpha(static_cast<size_t>(scratchWidth) * static_cast<size_t>(scratchHeight));
    for (int y = 0; y < scratchHeight; ++y) {
      const QRgb* row = reinterpret_cast<const QRgb*>(scratch.constScanLine(y));
      for (int x = 0; x < scratchWidth; ++x)
        alpha[static_cast<size_t>(y) * scratchWidth + x] = static_cast<float>(qAlpha(row[x])) * (1.0f / 255.0f);
    }
    blur(alpha, scratchWidth, scratchHeight, sigma * scale);
    // The shadow colour, premultiplied by the blurred coverage.
    const auto byte = [](float value) { return static_cast<int>(std::clamp(value, 0.0f, 1.0f) * 255.0f + 0.5f); };
    const int red = byte(color_.red);
    const int green = byte(color_.green);
    const int blue = byte(color_.blue);
    for (int y = 0; y < scratchHeight; ++y) {
      QRgb* row = reinterpret_cast<QRgb*>(scratch.scanLine(y));
      for (int x = 0; x < scratchWidth; ++x) {
        const int a = byte(alpha[static_cast<size_t>(y) * scratchWidth + x] * color_.alpha);
        row[x] = qRgba((red * a + 127) / 255, (green * a + 127) / 255, (blue * a + 127) / 255, a);
      }
    }
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(QRectF(left, top, scratchWidth / scale, scratchHeight / scale), scratch);
    painter.restore();
  }
  paint(painter);
}

}  // namespace zelvo
