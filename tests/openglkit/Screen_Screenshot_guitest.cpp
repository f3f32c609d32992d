// The wall as an operator sees it: a 4 x 4 screen in the wall's view on the X server,
// with camera pictures, titles, PTZ icons, a video-loss and two disconnected planes and a
// selected plane. Checked by pixels; with ZELVO_SCREENSHOT set to a path, the picture is
// also saved there (docs/screen-4x4.png is made this way, under scripts/test-services).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "ViewControllers/VideoView.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

// A camera picture of the given size, drawn: outdoor or indoor, by day or night, with
// the recorder's own time stamp burnt in as cameras do.
QImage cameraScene(int index, int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const bool indoor = index % 4 == 2;
  const bool night = index == 3 || index == 10;
  const double horizon = height * (0.42 + 0.04 * (index % 3));
  if (indoor) {
    p.fillRect(QRectF(0, 0, width, horizon + 40), QColor::fromHsv((index * 37) % 360, 40, 200));
    QLinearGradient floor(0, horizon + 40, 0, height);
    floor.setColorAt(0, QColor(150, 130, 110));
    floor.setColorAt(1, QColor(90, 75, 60));
    p.fillRect(QRectF(0, horizon + 40, width, height), floor);
    p.setPen(QPen(QColor(70, 60, 50), 2));
    for (int k = -6; k <= 6; ++k)
      p.drawLine(QPointF(width / 2.0 + k * 40, horizon + 40), QPointF(width / 2.0 + k * 160, height));
    p.fillRect(QRectF(width * 0.62, horizon - 90, 80, 130), QColor(110, 80, 50));  // door
    p.fillRect(QRectF(width * 0.15, horizon + 10, 180, 60), QColor(60, 60, 70));  // desk
    for (int k = 0; k < 3; ++k) p.fillRect(QRectF(60 + k * 220, 40, 120, 10), QColor(255, 255, 235));
  } else {
    QLinearGradient sky(0, 0, 0, horizon);
    sky.setColorAt(0, night ? QColor(5, 8, 25) : QColor(70, 130, 200));
    sky.setColorAt(1, night ? QColor(25, 30, 60) : QColor(190, 215, 235));
    p.fillRect(QRectF(0, 0, width, horizon), sky);
    QLinearGradient ground(0, horizon, 0, height);
    ground.setColorAt(0, night ? QColor(20, 25, 20) : QColor(110, 140, 80));
    ground.setColorAt(1, night ? QColor(10, 12, 10) : QColor(70, 100, 50));
    p.fillRect(QRectF(0, horizon, width, height - horizon), ground);
    for (int b = 0; b < 4; ++b) {
      const double bw = 90 + (index * 13 + b * 29) % 60;
      const double bh = 80 + (index * 17 + b * 41) % 90;
      const double bx = b * width / 4.0 + (index * 7) % 30;
      const QRectF building(bx, horizon - bh, bw, bh);
      p.fillRect(building, night ? QColor(35, 35, 45) : QColor::fromHsv((index * 23 + b * 50) % 360, 30, 170));
      for (double wy = building.top() + 10; wy < building.bottom() - 16; wy += 22)
        for (double wx = building.left() + 10; wx < building.right() - 14; wx += 20)
          p.fillRect(QRectF(wx, wy, 10, 12),
                     night ? ((int(wx + wy) / 10 + index) % 3 == 0 ? QColor(250, 220, 120) : QColor(20, 20, 30))
                           : QColor(120, 150, 180));
    }
    QPainterPath road;
    road.moveTo(width * 0.45, horizon);
    road.lineTo(width * 0.55, horizon);
    road.lineTo(width * 0.95, height);
    road.lineTo(width * 0.05, height);
    road.closeSubpath();
    p.fillPath(road, night ? QColor(30, 30, 32) : QColor(95, 95, 100));
    p.setPen(QPen(QColor(230, 230, 200), 3, Qt::DashLine));
    p.drawLine(QPointF(width * 0.5, horizon), QPointF(width * 0.5, height));
    if (index % 3 != 1) {
      const double cx = width * (0.25 + 0.1 * (index % 5));
      p.setPen(Qt::NoPen);
      p.setBrush(QColor::fromHsv((index * 71) % 360, 160, night ? 90 : 200));
      p.drawRoundedRect(QRectF(cx, height * 0.72, 120, 45), 12, 12);
      p.setBrush(QColor(20, 20, 20));
      p.drawEllipse(QPointF(cx + 25, height * 0.72 + 45), 12, 12);
      p.drawEllipse(QPointF(cx + 95, height * 0.72 + 45), 12, 12);
    }
    if (!night) {
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(40, 110, 40));
      p.drawEllipse(QPointF(width * 0.88, horizon - 20), 35, 40);
    }
  }
  QFont font("DejaVu Sans Mono");
  font.setPixelSize(18);
  QPainterPath stamp;
  stamp.addText(12, height - 14, font, QStringLiteral("2026-12-10 09:41:%1").arg(7 + index, 2, 10, QChar('0')));
  stamp.addText(width - 70, height - 14, font, QStringLiteral("CH%1").arg(index + 1, 2, 10, QChar('0')));
  p.strokePath(stamp, QPen(Qt::black, 3));
  p.fillPath(stamp, Qt::white);
  return image;
}

struct Frame {
  int width, height, lineSize;
  std::vector<uint8_t> y, u, v;
};

// BT.601 studio range, 4:2:0, with padded lines like a decoder's.
Frame toYuv420(const QImage& rgb, int lineSize) {
  const int w = rgb.width();
  const int h = rgb.height();
  Frame frame{w, h, lineSize, std::vector<uint8_t>(static_cast<size_t>(lineSize) * h, 16),
              std::vector<uint8_t>(static_cast<size_t>(lineSize / 2) * (h / 2), 128),
              std::vector<uint8_t>(static_cast<size_t>(lineSize / 2) * (h / 2), 128)};
  const auto clampByte = [](double value) { return static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L)); };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const QRgb c = rgb.pixel(x, y);
      frame.y[static_cast<size_t>(y) * lineSize + x] =
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
      frame.u[static_cast<size_t>(y) * (lineSize / 2) + x] = clampByte(128 - 37.797 * r - 74.203 * g + 112 * b);
      frame.v[static_cast<size_t>(y) * (lineSize / 2) + x] = clampByte(128 + 112 * r - 93.786 * g - 18.214 * b);
    }
  return frame;
}

constexpr int selectedPlane = 5;
constexpr int videoLossPlane = 9;
const std::vector<int> ptzPlanes{1, 4, 6, 11, 12};
const std::vector<int> disconnectedPlanes{14, 15};
const char* const titles[] = {"Front door", "Parking lot", "Lobby",       "Loading dock", "North fence",
                              "Main street", "Reception",  "Back yard",   "Warehouse",    "Side gate",
                              "Corridor",  "Stairwell B", "Roof east",   "Bus stop"};

// The scene, set up on the wall's view as its controller would: the kit's screen of a
// shown VideoView, under the view's context lock.
void paintScene(VideoView& view) {
  view.setSelectedPlane(selectedPlane);
  view.setKeepAspectRatio(true);
  VideoViewContextLock lock(view);
  VideoViewScreen& screen = *view.screenForTesting();
  const Gradient disconnected(Rgba{0.24f, 0.24f, 0.24f, 1}, Rgba{0.05f, 0.05f, 0.05f, 1});
  const Gradient videoLoss(Rgba{0.14f, 0.48f, 0.88f, 1}, Rgba{0.11f, 0.27f, 0.83f, 1});
  for (int plane = 0; plane < 16; ++plane) {
    const bool isDisconnected =
        std::find(disconnectedPlanes.begin(), disconnectedPlanes.end(), plane) != disconnectedPlanes.end();
    if (isDisconnected) {
      screen.clearPlane(plane);
      screen.clearPlaneWithGradient(plane, disconnected);
      screen.hidePtzIcon(plane);
      screen.setTitle(plane, std::nullopt);
      continue;
    }
    if (plane == videoLossPlane) {
      screen.clearPlaneWithGradient(plane, videoLoss);
    } else {
      screen.clearPlane(plane);
      const Frame frame = toYuv420(cameraScene(plane, 640, 360), 672);
      screen.setVideoFrame(plane, frame.width, frame.height, frame.lineSize, frame.y.data(), 1, 1, frame.u.data(),
                           frame.v.data());
    }
    // PTZ marks first, then the title, as the view paints a plane.
    if (std::find(ptzPlanes.begin(), ptzPlanes.end(), plane) != ptzPlanes.end())
      screen.showPtzIcon(plane);
    else
      screen.hidePtzIcon(plane);
    screen.setTitle(plane, titles[plane]);
  }
}

TEST(ScreenScreenshot, FourByFourWall) {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X server (Xvfb)";
  VideoView widget;
  widget.resize(1280, 720);
  widget.show();
  ASSERT_TRUE(test::waitUntil([&] { return widget.renderCount() >= 1; }));
  ASSERT_TRUE(widget.hasScreen());
  paintScene(widget);
  // The selected plane's frame in the colours of a wall that has the keyboard.
  QApplication::setActiveWindow(&widget);  // in this process only: tests beside it cannot take it
  widget.setFocus();
  ASSERT_TRUE(test::waitUntil([&] { return widget.hasFocus(); }));
  const int seen = widget.renderCount();
  ASSERT_TRUE(test::waitUntil([&] { return widget.renderCount() > seen + 1; }));
  // What the window shows is opaque; the overlay's alpha is only used for the mix.
  const QImage shot = widget.grab().toImage().convertToFormat(QImage::Format_RGB888);
  ASSERT_EQ(shot.size(), QSize(1280, 720));

  const auto near = [](QColor actual, QColor expected, int tolerance) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance;
  };
  // Plane 5 (second row, second column) is selected: the band's top edge.
  EXPECT_TRUE(near(shot.pixelColor(480, 181), QColor(250, 222, 120), 6)) << shot.pixelColor(480, 181).name().toStdString();
  // The video-loss plane 9 (third row, second column) is blue at its centre.
  EXPECT_TRUE(near(shot.pixelColor(480, 450), QColor(36, 122, 224), 12)) << shot.pixelColor(480, 450).name().toStdString();
  // A disconnected plane is dark grey.
  EXPECT_TRUE(near(shot.pixelColor(1120, 630), QColor(61, 61, 61), 12)) << shot.pixelColor(1120, 630).name().toStdString();
  // Plane 1's PTZ icon: its light centre at 7 from the top right corner of the cell.
  EXPECT_GT(qGray(shot.pixel(640 - 7 - 8, 7 + 8)), 200);
  // Grid line between planes 2 and 3.
  EXPECT_TRUE(near(shot.pixelColor(960, 90), QColor(51, 51, 51), 2));

  if (const QByteArray path = qgetenv("ZELVO_SCREENSHOT"); !path.isEmpty()) {
    EXPECT_TRUE(shot.save(QString::fromLocal8Bit(path), "PNG")) << path.constData();
  }
}

}  // namespace
}  // namespace zelvo
