#pragma once
// Pictures for the wall's GL tests: flat colours and drawn camera scenes, as decoded
// 4:2:0 frames with padded lines, handed to the view as a decoder would.

extern "C" {
#include <libavutil/frame.h>
}

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "Decoder/VideoDecoder.h"

namespace zelvo::test {

class TestPicture {
 public:
  TestPicture(int width, int height, int lineSize)
      : width_(width),
        height_(height),
        y_(static_cast<size_t>(lineSize) * height, 16),
        u_(static_cast<size_t>(lineSize / 2) * (height / 2), 128),
        v_(static_cast<size_t>(lineSize / 2) * (height / 2), 128),
        frame_(av_frame_alloc()) {
    frame_->width = width;
    frame_->height = height;
    frame_->data[0] = y_.data();
    frame_->data[1] = u_.data();
    frame_->data[2] = v_.data();
    frame_->linesize[0] = lineSize;
    frame_->linesize[1] = lineSize / 2;
    frame_->linesize[2] = lineSize / 2;
  }
  ~TestPicture() {
    // The planes are ours, not the frame's.
    for (auto& data : frame_->data) data = nullptr;
    av_frame_free(&frame_);
  }
  TestPicture(const TestPicture&) = delete;
  TestPicture& operator=(const TestPicture&) = delete;

  static std::unique_ptr<TestPicture> flat(int width, int height, uint8_t y, uint8_t u, uint8_t v) {
    auto picture = std::make_unique<TestPicture>(width, height, (width + 63) / 64 * 64);
    std::fill(picture->y_.begin(), picture->y_.end(), y);
    std::fill(picture->u_.begin(), picture->u_.end(), u);
    std::fill(picture->v_.begin(), picture->v_.end(), v);
    return picture;
  }

  // BT.601 studio range.
  static std::unique_ptr<TestPicture> fromImage(const QImage& rgb) {
    const int w = rgb.width(), h = rgb.height();
    auto picture = std::make_unique<TestPicture>(w, h, (w + 63) / 64 * 64);
    const int lineSize = picture->frame_->linesize[0];
    const auto clampByte = [](double value) { return static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L)); };
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const QRgb c = rgb.pixel(x, y);
        picture->y_[static_cast<size_t>(y) * lineSize + x] =
            clampByte(16 + (65.481 * qRed(c) + 128.553 * qGreen(c) + 24.966 * qBlue(c)) / 255.0);
      }
    for (int y = 0; y < h / 2; ++y)
      for (int x = 0; x < w / 2; ++x) {
        double r = 0, g = 0, b = 0;
        for (int k = 0; k < 4; ++k) {
          const QRgb c = rgb.pixel(2 * x + k % 2, 2 * y + k / 2);
          r += qRed(c) / 4.0 / 255.0;
          g += qGreen(c) / 4.0 / 255.0;
          b += qBlue(c) / 4.0 / 255.0;
        }
        picture->u_[static_cast<size_t>(y) * (lineSize / 2) + x] = clampByte(128 - 37.797 * r - 74.203 * g + 112 * b);
        picture->v_[static_cast<size_t>(y) * (lineSize / 2) + x] = clampByte(128 + 112 * r - 93.786 * g - 18.214 * b);
      }
    return picture;
  }

  DecodedVideoFrame decoded() const {
    return {static_cast<uint16_t>(width_), static_cast<uint16_t>(height_), frame_, true};
  }

 private:
  int width_, height_;
  std::vector<uint8_t> y_, u_, v_;
  AVFrame* frame_;
};

// A camera's view, drawn: a street by day or night, or a room, with the recorder's time
// stamp burnt in.
inline QImage cameraScene(int index, int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const bool indoor = index % 3 == 2;
  const bool night = index % 5 == 4;
  const double horizon = height * (0.45 + 0.05 * (index % 2));
  if (indoor) {
    p.fillRect(QRectF(0, 0, width, horizon), QColor::fromHsv((index * 47) % 360, 35, 205));
    QLinearGradient floor(0, horizon, 0, height);
    floor.setColorAt(0, QColor(155, 135, 110));
    floor.setColorAt(1, QColor(85, 70, 55));
    p.fillRect(QRectF(0, horizon, width, height - horizon), floor);
    p.fillRect(QRectF(width * 0.65, horizon - height * 0.3, width * 0.12, height * 0.3), QColor(110, 80, 50));
    p.fillRect(QRectF(width * 0.12, horizon + height * 0.05, width * 0.3, height * 0.12), QColor(60, 60, 72));
  } else {
    QLinearGradient sky(0, 0, 0, horizon);
    sky.setColorAt(0, night ? QColor(6, 9, 28) : QColor(72, 132, 205));
    sky.setColorAt(1, night ? QColor(26, 32, 62) : QColor(192, 216, 236));
    p.fillRect(QRectF(0, 0, width, horizon), sky);
    p.fillRect(QRectF(0, horizon, width, height - horizon), night ? QColor(18, 22, 18) : QColor(100, 132, 76));
    for (int b = 0; b < 4; ++b) {
      const double bw = width * (0.14 + 0.03 * ((index + b) % 3));
      const double bh = height * (0.2 + 0.06 * ((index * 3 + b) % 4));
      const QRectF building(b * width / 4.0 + width * 0.02, horizon - bh, bw, bh);
      p.fillRect(building, night ? QColor(36, 36, 48) : QColor::fromHsv((index * 29 + b * 53) % 360, 28, 172));
      for (double wy = building.top() + 8; wy < building.bottom() - 12; wy += 18)
        for (double wx = building.left() + 6; wx < building.right() - 10; wx += 16)
          p.fillRect(QRectF(wx, wy, 8, 10), night && int(wx + wy) % 3 == 0 ? QColor(250, 220, 120) : QColor(118, 148, 178));
    }
    QPainterPath road;
    road.moveTo(width * 0.46, horizon);
    road.lineTo(width * 0.54, horizon);
    road.lineTo(width * 0.9, height);
    road.lineTo(width * 0.1, height);
    road.closeSubpath();
    p.fillPath(road, night ? QColor(30, 30, 32) : QColor(96, 96, 102));
  }
  QFont font("DejaVu Sans Mono");
  font.setPixelSize(std::max(10, height / 16));
  QPainterPath stamp;
  stamp.addText(8, height - 8, font, QStringLiteral("2026-12-10 09:41:%1").arg(7 + index, 2, 10, QChar('0')));
  p.strokePath(stamp, QPen(Qt::black, 3));
  p.fillPath(stamp, Qt::white);
  return image;
}

}  // namespace zelvo::test
